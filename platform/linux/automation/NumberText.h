// Numbers and truth values as text, in the locale-neutral form: "." as the decimal point, no
// thousands separators, "True" and "False".
#pragma once

#include "linux/automation/VariantNumber.h"

#include <string_view>

namespace quenvar::platform {

// Blanks around the text are ignored; then an optional sign, digits with an optional fraction
// and an optional exponent. Integers without fraction or exponent are read exactly.
// DISP_E_TYPEMISMATCH for anything else, DISP_E_OVERFLOW beyond the range of a double.
[[nodiscard]] HRESULT ParseNumber(std::u16string_view text, Number* out) noexcept;

// "True" or "False" in any case, else a number (non-zero is true). Codes as ParseNumber.
[[nodiscard]] HRESULT ParseTruth(std::u16string_view text, bool* out) noexcept;

// Integers in decimal; reals with 15 significant digits (7 for VT_R4) and an upper-case
// exponent where one is needed. The caller frees the result; null when out of memory.
BSTR FormatNumber(const Number& number, VARTYPE sourceType) noexcept;

// "True"/"False" when `words` is set, else "-1"/"0" as the number it stands for.
BSTR FormatTruth(bool value, bool words) noexcept;

}  // namespace quenvar::platform
