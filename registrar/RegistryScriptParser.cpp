#include "registrar/RegistryScriptParser.h"

namespace quenvar {
namespace {

constexpr char kQuote = '\'';

// Room for the widest character (two bytes) and the terminating NUL.
constexpr std::size_t kRoomForCharacter = 2;

class TokenWriter {
public:
    TokenWriter(char* buffer, std::size_t size) noexcept : buffer_(buffer), size_(size) {}

    // Appends the bytes [from, to) of one character; false when the token would not fit.
    bool Append(LPCSTR from, LPCSTR to) noexcept
    {
        if (length_ + kRoomForCharacter >= size_) return false;
        for (; from != to; ++from) buffer_[length_++] = *from;
        return true;
    }
    void Terminate() noexcept { buffer_[length_] = '\0'; }

private:
    char* buffer_;
    std::size_t size_;
    std::size_t length_ = 0;
};

}  // namespace

LPCSTR RegistryScriptParser::NextChar() noexcept
{
    cursor_ = CharNextA(cursor_);
    return cursor_;
}

bool RegistryScriptParser::IsSpace(char value) noexcept
{
    return value == ' ' || value == '\t' || value == '\r' || value == '\n';
}

void RegistryScriptParser::SkipSpace() noexcept
{
    while (IsSpace(*cursor_)) NextChar();
}

bool RegistryScriptParser::IsEndQuote() const noexcept { return *cursor_ == kQuote && *CharNextA(cursor_) != kQuote; }

HRESULT RegistryScriptParser::NextToken(char* buffer, std::size_t size) noexcept
{
    if (size == 0) return ScriptError();
    TokenWriter token(buffer, size);
    SkipSpace();
    if (*cursor_ == '\0') return ScriptError();

    if (*cursor_ != kQuote) {
        while (*cursor_ != '\0' && !IsSpace(*cursor_)) {
            const LPCSTR start = cursor_;
            if (!token.Append(start, NextChar())) return ScriptError();
        }
        token.Terminate();
        return S_OK;
    }

    NextChar();
    for (;;) {
        if (*cursor_ == '\0') return ScriptError();
        if (IsEndQuote()) {
            token.Terminate();
            NextChar();
            return S_OK;
        }
        // Of a doubled quote only the second is stored.
        if (*cursor_ == kQuote) NextChar();
        const LPCSTR start = cursor_;
        if (!token.Append(start, NextChar())) return ScriptError();
    }
}

LPCSTR RegistryScriptParser::FindChar(LPCSTR text, char value) noexcept
{
    for (; *text != '\0'; text = CharNextA(text)) {
        if (*text == value) return text;
    }
    return nullptr;
}

}  // namespace quenvar
