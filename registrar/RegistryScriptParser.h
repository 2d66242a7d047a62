// The reading layer of the registry-script interpreter: a cursor over NUL-terminated ANSI text
// that moves one character (one or two bytes) at a time, and the reading of one token. It knows
// no keywords; the substitution and the key-tree walk build on it.
#pragma once

#include "platform/Win32.h"

#include <cstddef>

namespace quenvar {

class ReplacementMap;

// Tokens inside key bodies, type letters and values are read into buffers of this size; root
// key names and value names into kShortTokenSize.
constexpr std::size_t kTokenSize = 4096;
constexpr std::size_t kShortTokenSize = 260;

class RegistryScriptParser {
public:
    // The map is not owned and must outlive the parser; the cursor starts unset.
    explicit RegistryScriptParser(const ReplacementMap& replacements) noexcept : replacements_(replacements) {}

    const ReplacementMap& Replacements() const noexcept { return replacements_; }
    LPCSTR Cursor() const noexcept { return cursor_; }
    // The text is the caller's and must stay alive, NUL-terminated, while the parser reads it.
    void SetCursor(LPCSTR position) noexcept { cursor_ = position; }

    // Steps over one whole character; stays on the terminating NUL.
    LPCSTR NextChar() noexcept;
    static bool IsSpace(char value) noexcept;
    void SkipSpace() noexcept;
    // A quote that is not the first of a doubled quote.
    bool IsEndQuote() const noexcept;

    // Reads one token into `buffer` as a NUL-terminated text and leaves the cursor behind it. A
    // token ends at whitespace or the end of the text, unless it is quoted: 'it''s' is it's.
    // DISP_E_EXCEPTION when the text ends where a token is expected, a quote is not closed, or
    // the token does not fit: a character is stored only while the bytes already stored plus 2
    // stay below `size`, so a 4096-byte buffer holds at most 4094 single-byte characters.
    // After a failure the buffer holds no valid token and the cursor stays where it stopped.
    [[nodiscard]] HRESULT NextToken(char* buffer, std::size_t size) noexcept;
    template <std::size_t Size>
    [[nodiscard]] HRESULT NextToken(char (&buffer)[Size]) noexcept
    {
        return NextToken(buffer, Size);
    }

    // The first character of `text` whose first byte is `value`, stepping by characters so that
    // a trail byte never matches; null when there is none.
    static LPCSTR FindChar(LPCSTR text, char value) noexcept;

    // The one error exit of the interpreter: every syntax error and every fatal registry failure.
    static HRESULT ScriptError() noexcept { return DISP_E_EXCEPTION; }

private:
    LPCSTR cursor_ = nullptr;
    const ReplacementMap& replacements_;
};

}  // namespace quenvar
