// Numbers and truth values of variants as text. Text is read with the Automation number grammar
// of linux/conversion/NumberText.h; numbers are written in the locale-neutral form: "." as the
// decimal point, no thousands separators, "True" and "False".
#pragma once

#include "linux/automation/VariantNumber.h"

#include <string_view>

namespace quenvar::platform {

// The number `text` stands for, read for numeric `target`: integer targets get the exact value
// rounded half to even, and &H/&O as a bit pattern of a signed target's width (&HFFFF is -1 as
// VT_I2); real targets the nearest double; VT_BOOL also takes "True" or "False" in any case.
// DISP_E_TYPEMISMATCH when the text is no number, DISP_E_OVERFLOW beyond 64 bits or a double,
// E_OUTOFMEMORY.
[[nodiscard]] HRESULT ParseNumber(std::u16string_view text, VARTYPE target, Number* out) noexcept;

// Integers in decimal; reals with 15 significant digits (7 for VT_R4) and an upper-case
// exponent where one is needed. The caller frees the result; null when out of memory.
BSTR FormatNumber(const Number& number, VARTYPE sourceType) noexcept;

// "True"/"False" when `words` is set, else "-1"/"0" as the number it stands for.
BSTR FormatTruth(bool value, bool words) noexcept;

}  // namespace quenvar::platform
