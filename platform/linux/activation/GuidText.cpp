#include "linux/activation/GuidText.h"

namespace quenvar::platform {
namespace {

// Field widths in hex digits, in text order; Data4 is the last two groups.
constexpr std::size_t kGroupDigits[] = {8, 4, 4, 4, 12};
constexpr std::size_t kBracedLength = kGuidStringLength - 1;

int HexValue(char32_t c) noexcept
{
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    return -1;
}

}  // namespace

bool ParseBracedGuid(std::u16string_view text, GUID& guid) noexcept
{
    if (text.size() != kBracedLength || text.front() != '{' || text.back() != '}') return false;
    // The 32 digits in order, checking the dashes between the groups on the way.
    BYTE digits[32];
    std::size_t digitCount = 0;
    std::size_t position = 1;
    for (std::size_t group = 0; group < std::size(kGroupDigits); ++group) {
        if (group != 0 && text[position++] != '-') return false;
        for (std::size_t i = 0; i < kGroupDigits[group]; ++i) {
            const int value = HexValue(static_cast<char32_t>(text[position++]));
            if (value < 0) return false;
            digits[digitCount++] = static_cast<BYTE>(value);
        }
    }
    auto number = [&digits](std::size_t first, std::size_t count) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < count; ++i) value = value << 4 | digits[first + i];
        return value;
    };
    guid.Data1 = number(0, 8);
    guid.Data2 = static_cast<WORD>(number(8, 4));
    guid.Data3 = static_cast<WORD>(number(12, 4));
    for (std::size_t i = 0; i < 8; ++i) guid.Data4[i] = static_cast<BYTE>(number(16 + 2 * i, 2));
    return true;
}

void FormatBracedGuid(const GUID& guid, char16_t (&text)[kGuidStringLength - 1]) noexcept
{
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::size_t position = 0;
    auto put = [&](std::uint32_t value, int digitCount) {
        for (int shift = 4 * (digitCount - 1); shift >= 0; shift -= 4)
            text[position++] = kDigits[(value >> shift) & 0xF];
    };
    text[position++] = u'{';
    put(guid.Data1, 8);
    text[position++] = u'-';
    put(guid.Data2, 4);
    text[position++] = u'-';
    put(guid.Data3, 4);
    text[position++] = u'-';
    put(guid.Data4[0], 2);
    put(guid.Data4[1], 2);
    text[position++] = u'-';
    for (std::size_t i = 2; i < 8; ++i) put(guid.Data4[i], 2);
    text[position++] = u'}';
}

}  // namespace quenvar::platform
