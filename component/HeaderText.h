// The header text of one answer, searched a character at a time without a library call per
// character: the ANSI code page's lead bytes are read once, when the text is taken.
#pragma once

#include "platform/Win32.h"

#include <array>
#include <string_view>

namespace quenvar {

class HeaderText {
public:
    // `text` ends at its first NUL and must outlive this object.
    explicit HeaderText(const char* text) noexcept;

    const char* begin() const noexcept { return text_.data(); }
    // The first character at which `pattern` starts, or null; letter case counts.
    const char* Find(std::string_view pattern) const noexcept;
    // The first character at or after `from` (a character of this text) that is `wanted`, or null.
    const char* FindCharacter(const char* from, char wanted) const noexcept;

private:
    // Where the character at `at` ends: a lead byte takes the next byte along unless that is the end.
    std::size_t Next(std::size_t at) const noexcept
    {
        return at + (leadBytes_[static_cast<BYTE>(text_[at])] && at + 1 < text_.size() ? 2 : 1);
    }

    std::string_view text_;
    bool anyLeadByte_ = false;
    std::array<bool, 256> leadBytes_;  // set, and read, only when the code page has lead bytes
};

}  // namespace quenvar
