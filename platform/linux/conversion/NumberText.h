// Numbers written as text, as every Automation conversion from text reads them (VarI4FromStr,
// VariantChangeType to each numeric type): blanks around, a sign, thousands separators, a decimal
// point and an exponent, or a hexadecimal (&H) or octal (&O) integer. The invariant locale's
// separators ("," and ".") are used whatever the LCID. A thousands separator stands before exactly
// three digits, so that "1,5" written with a decimal comma is refused rather than read as 15.
#pragma once

#include "platform/Win32.h"

#include <string>
#include <string_view>

namespace quenvar::platform {

struct NumberText {
    bool negative = false;
    bool radix = false;        // &H or &O: `radixValue` holds the number
    ULONGLONG radixValue = 0;  // saturates at ULLONG_MAX
    std::string digits;        // decimal digits without leading zeros; empty for zero
    LONGLONG pointAt = 0;      // the decimal point stands after this many of `digits` (may be <0 or >size)
};

// The text without the blanks the grammar allows around a number.
std::u16string_view TrimBlanks(std::u16string_view text) noexcept;

// false when the text is not a number.
bool ParseNumberText(std::u16string_view text, NumberText& number);

// The magnitude rounded to an integer, half to even; false when it exceeds 64 bits.
bool RoundedMagnitude(const NumberText& number, ULONGLONG& magnitude);

// The magnitude as the nearest double; false beyond the range of a double. A magnitude too
// small for a double is 0.
bool RealMagnitude(const NumberText& number, double& magnitude);

// A hexadecimal or octal number is a bit pattern of the target's width: &HFFFF is -1 for 16 bits.
// false when the pattern is wider than `bits` (8 to 64).
bool SignedPattern(ULONGLONG pattern, unsigned bits, LONGLONG& value) noexcept;

}  // namespace quenvar::platform
