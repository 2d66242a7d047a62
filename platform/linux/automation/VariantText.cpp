#include "linux/automation/VariantText.h"

#include "linux/conversion/NumberText.h"
#include "linux/edge/Boundary.h"

#include <array>
#include <charconv>
#include <new>
#include <type_traits>

namespace quenvar::platform {
namespace {

constexpr ULONGLONG kSignedLimit = 1ULL << 63;

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

// The width of a signed integer type, 0 for the other types.
unsigned SignedBits(VARTYPE type)
{
    switch (type) {
    case VT_I1: return 8;
    case VT_I2: return 16;
    case VT_I4:
    case VT_INT: return 32;
    case VT_I8: return 64;
    default: return 0;
    }
}

HRESULT ToNumber(const NumberText& number, VARTYPE target, Number* out)
{
    if (target == VT_R4 || target == VT_R8) {
        double magnitude = 0;
        if (!RealMagnitude(number, magnitude)) return DISP_E_OVERFLOW;
        *out = number.negative ? -magnitude : magnitude;
        return S_OK;
    }
    if (target == VT_BOOL) {
        *out = LONGLONG{number.digits.empty() && number.radixValue == 0 ? 0 : -1};
        return S_OK;
    }
    ULONGLONG magnitude = 0;
    if (!RoundedMagnitude(number, magnitude)) return DISP_E_OVERFLOW;
    const unsigned bits = SignedBits(target);
    LONGLONG pattern = 0;
    if (number.radix && bits != 0 && SignedPattern(magnitude, bits, pattern)) {
        *out = pattern;
    } else if (!number.negative) {
        *out = magnitude < kSignedLimit ? Number{static_cast<LONGLONG>(magnitude)} : Number{magnitude};
    } else if (magnitude <= kSignedLimit) {
        *out = static_cast<LONGLONG>(0ULL - magnitude);
    } else {
        return DISP_E_OVERFLOW;
    }
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

HRESULT ParseNumber(std::u16string_view text, VARTYPE target, Number* out) noexcept
{
    const std::u16string_view word = TrimBlanks(text);
    if (target == VT_BOOL && (EqualsIgnoringCase(word, "true") || EqualsIgnoringCase(word, "false"))) {
        *out = LONGLONG{EqualsIgnoringCase(word, "true") ? -1 : 0};
        return S_OK;
    }
    return Boundary(ReturnsHResult{}, [&]() -> HRESULT {
        NumberText number;
        // The grammar of VarI4FromStr for every numeric target: "1,000" and "&H10" are numbers.
        if (!ParseNumberText(word, number)) return DISP_E_TYPEMISMATCH;
        return ToNumber(number, target, out);
    });
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
