#include "linux/automation/NumberText.h"

#include <array>
#include <charconv>
#include <type_traits>

namespace quenvar::platform {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::u16string_view Trim(std::u16string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool EqualsIgnoringCase(std::u16string_view text, std::string_view word)
{
    if (text.size() != word.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != static_cast<char16_t>(word[i])) return false;
    }
    return true;
}

// Checks the shape: sign, digits, optional fraction, optional exponent. `integral` tells
// whether neither fraction nor exponent is present.
bool IsNumberShape(std::string_view text, bool* integral)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    *integral = true;
    if (i < text.size() && text[i] == '.') {
        *integral = false;
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        *integral = false;
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t exponentDigits = 0;
        while (i < text.size() && IsDigit(text[i])) ++i, ++exponentDigits;
        if (exponentDigits == 0) return false;
    }
    return i == text.size();
}

bool ReadInteger(std::string_view text, Number* out)
{
    const bool negative = text.front() == '-';
    if (text.front() == '-' || text.front() == '+') text.remove_prefix(1);
    ULONGLONG magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (error != std::errc{} || end != text.data() + text.size()) return false;
    constexpr ULONGLONG kSignedLimit = 1ULL << 63;
    if (!negative) {
        *out = magnitude < kSignedLimit ? Number{static_cast<LONGLONG>(magnitude)} : Number{magnitude};
        return true;
    }
    if (magnitude > kSignedLimit) return false;
    *out = static_cast<LONGLONG>(0ULL - magnitude);
    return true;
}

HRESULT ReadReal(std::string_view text, Number* out)
{
    if (text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) return DISP_E_OVERFLOW;
    if (error != std::errc{} || end != text.data() + text.size()) return DISP_E_TYPEMISMATCH;
    *out = value;
    return S_OK;
}

BSTR ToBstr(std::string_view text)
{
    BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
    if (result == nullptr) return nullptr;
    for (std::size_t i = 0; i < text.size(); ++i) result[i] = static_cast<OLECHAR>(text[i]);
    return result;
}

}  // namespace

HRESULT ParseNumber(std::u16string_view text, Number* out) noexcept
{
    text = Trim(text);
    // Longer than any number worth reading digit by digit: no real number needs it either.
    std::array<char, 400> narrow{};
    if (text.empty() || text.size() > narrow.size()) return DISP_E_TYPEMISMATCH;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] > 0x7F) return DISP_E_TYPEMISMATCH;
        narrow[i] = static_cast<char>(text[i]);
    }
    const std::string_view ascii(narrow.data(), text.size());
    bool integral = false;
    if (!IsNumberShape(ascii, &integral)) return DISP_E_TYPEMISMATCH;
    if (integral && ReadInteger(ascii, out)) return S_OK;
    return ReadReal(ascii, out);
}

HRESULT ParseTruth(std::u16string_view text, bool* out) noexcept
{
    const std::u16string_view word = Trim(text);
    if (EqualsIgnoringCase(word, "true")) {
        *out = true;
        return S_OK;
    }
    if (EqualsIgnoringCase(word, "false")) {
        *out = false;
        return S_OK;
    }
    Number number;
    const HRESULT hr = ParseNumber(word, &number);
    if (FAILED(hr)) return hr;
    *out = std::visit([](auto value) { return value != 0; }, number);
    return S_OK;
}

BSTR FormatNumber(const Number& number, VARTYPE sourceType) noexcept
{
    std::array<char, 64> buffer{};
    char* const first = buffer.data();
    char* const last = buffer.data() + buffer.size();
    const std::to_chars_result written = std::visit(
        [&](auto value) {
            if constexpr (std::is_same_v<decltype(value), double>) {
                if (sourceType == VT_R4) {
                    return std::to_chars(first, last, static_cast<float>(value), std::chars_format::general, 7);
                }
                return std::to_chars(first, last, value, std::chars_format::general, 15);
            } else {
                return std::to_chars(first, last, value);
            }
        },
        number);
    for (char* c = first; c != written.ptr; ++c) {
        if (*c == 'e') *c = 'E';
    }
    return ToBstr(std::string_view(first, static_cast<std::size_t>(written.ptr - first)));
}

BSTR FormatTruth(bool value, bool words) noexcept
{
    if (words) return ToBstr(value ? "True" : "False");
    return ToBstr(value ? "-1" : "0");
}

}  // namespace quenvar::platform
