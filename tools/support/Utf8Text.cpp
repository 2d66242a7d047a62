#include "tools/support/Utf8Text.h"

#include "platform/AsciiText.h"

#include <algorithm>

namespace quenvar::tools {
namespace {

// ASCII is the same units in both forms: copied without the two conversion calls (measure, then
// convert).
template <typename To, typename From>
bool CopyAscii(std::basic_string_view<From> text, std::basic_string<To>& copy)
{
    if (!IsAsciiText(text)) return false;
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
    const bool ascii = IsAsciiText(text);
    const int length = static_cast<int>(text.size());
    const int units = ascii || length == 0 ? length : MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    UniqueBstr bstr(SysAllocStringLen(nullptr, static_cast<UINT>(std::max(units, 0))));
    if (!bstr) return bstr;
    if (ascii) std::copy(text.begin(), text.end(), bstr.get());
    else if (units > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), length, bstr.get(), units);
    return bstr;
}

}  // namespace quenvar::tools
