// Whether a text is all ASCII, for the conversions that copy such text unit for unit: nearly all
// of what servers send, file names and values are. Header-only, so that the tools' conversions
// use it as the platform's do.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <type_traits>

namespace quenvar {

template <typename Char>
bool IsAsciiText(std::basic_string_view<Char> text) noexcept
{
    using Unit = std::make_unsigned_t<Char>;
    // Eight bytes at a time: a unit of 0x80 or above has a bit outside ASCII's seven.
    constexpr std::uint64_t kEachUnit = ~std::uint64_t{0} / std::numeric_limits<Unit>::max();
    constexpr std::uint64_t kAboveAscii = kEachUnit * (std::numeric_limits<Unit>::max() & ~Unit{0x7F});
    constexpr std::size_t kUnitsPerWord = sizeof(std::uint64_t) / sizeof(Char);
    std::uint64_t all = 0;
    std::size_t at = 0;
    for (; at + kUnitsPerWord <= text.size(); at += kUnitsPerWord) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + at, sizeof word);
        all |= word;
    }
    for (; at < text.size(); ++at) all |= static_cast<Unit>(text[at]);
    return (all & kAboveAscii) == 0;
}

}  // namespace quenvar
