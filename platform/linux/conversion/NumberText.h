// Numbers written as text, as the Automation conversions read them: blanks around, a sign,
// thousands separators, a decimal point and an exponent, or a hexadecimal (&H) or octal (&O)
// integer. The invariant locale's separators ("," and ".") are used whatever the LCID.
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

// false when the text is not a number.
bool ParseNumberText(std::u16string_view text, NumberText& number);

// The magnitude rounded to an integer, half to even; false when it exceeds 64 bits.
bool RoundedMagnitude(const NumberText& number, ULONGLONG& magnitude);

}  // namespace quenvar::platform
