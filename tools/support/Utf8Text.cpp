#include "tools/support/Utf8Text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

namespace quenvar::tools {
namespace {

// ASCII, nearly all of what servers send, is the same units in both forms: copied without the
// two conversion calls (measure, then convert).
template <typename From>
bool IsAscii(std::basic_string_view<From> text)
{
    using Unit = std::make_unsigned_t<From>;
    // Eight bytes at a time: a unit of 0x80 or above has a bit outside ASCII's seven.
    constexpr std::uint64_t kEachUnit = ~std::uint64_t{0} / std::numeric_limits<Unit>::max();
    constexpr std::uint64_t kAboveAscii = kEachUnit * (std::numeric_limits<Unit>::max() & ~Unit{0x7F});
    constexpr std::size_t kUnitsPerWord = sizeof(std::uint64_t) / sizeof(From);
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

template <typename To, typename From>
bool CopyAscii(std::basic_string_view<From> text, std::basic_string<To>& copy)
{
    if (!IsAscii(text)) return false;
    copy.resize(text.size());
    std::transform(text.begin(), text.end(), copy.begin(), [](From unit) { return static_cast<To>(unit); });
    return true;
}

}  // namespace

std::string Utf8FromWide(std::u16string_view wide)
{
    std::string text;
    if (CopyAscii(wide, text)) return text;
    const int length = static_cast<int>(wide.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    text.assign(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, text.data(), size, nullptr, nullptr);
    return text;
}

std::u16string WideFromUtf8(std::string_view text)
{
    std::u16string wide;
    if (CopyAscii(text, wide)) return wide;
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    wide.assign(static_cast<std::size_t>(size > 0 ? size : 0), u'\0');
    if (size > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), size);
    return wide;
}

UniqueBstr BstrFromUtf8(std::string_view text)
{
    const bool ascii = IsAscii(text);
    const int length = static_cast<int>(text.size());
    const int units = ascii || length == 0 ? length : MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    UniqueBstr bstr(SysAllocStringLen(nullptr, static_cast<UINT>(std::max(units, 0))));
    if (!bstr) return bstr;
    if (ascii) std::copy(text.begin(), text.end(), bstr.get());
    else if (units > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), length, bstr.get(), units);
    return bstr;
}

}  // namespace quenvar::tools
