// Walking text that came from outside, a character at a time, so that what is printed is UTF-8
// whatever the bytes were.
#pragma once

#include <cstddef>
#include <string_view>

namespace quenvar::tools {

// U+FFFD, shown for a byte that begins no well-formed character.
inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// The byte count (2 to 4) of the well-formed UTF-8 character that `text` begins with, whose first
// byte is 0x80 or above; 0 when it begins none: a stray continuation byte, an overlong form, a
// surrogate, a code point past U+10FFFF, or a character cut short.
[[nodiscard]] std::size_t Utf8MultiByteLength(std::string_view text) noexcept;

// Calls `take` with each character of `text` in order, as its bytes: one well-formed UTF-8
// character, or kReplacementCharacter in place of a byte that begins none.
template <typename Take>
void ForEachUtf8Character(std::string_view text, Take&& take)
{
    for (std::size_t i = 0; i < text.size();) {
        // ASCII, nearly all of what servers send, needs no decoding.
        const std::size_t length = static_cast<unsigned char>(text[i]) < 0x80 ? 1 : Utf8MultiByteLength(text.substr(i));
        take(length == 0 ? kReplacementCharacter : text.substr(i, length));
        i += length == 0 ? 1 : length;
    }
}

// C0 controls, DEL and the C1 controls U+0080 to U+009F: what a terminal may act on.
[[nodiscard]] inline bool IsControlCharacter(std::string_view character) noexcept
{
    const auto first = static_cast<unsigned char>(character[0]);
    if (character.size() == 1) return first < 0x20 || first == 0x7F;
    return character.size() == 2 && first == 0xC2 && static_cast<unsigned char>(character[1]) < 0xA0;
}

}  // namespace quenvar::tools
