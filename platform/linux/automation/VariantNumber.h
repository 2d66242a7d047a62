// Numbers on their way between variant types: integers kept exact, reals as double.
#pragma once

#include "platform/Win32.h"

#include <variant>

namespace quenvar::platform {

using Number = std::variant<LONGLONG, ULONGLONG, double>;

// The number a numeric variant, or VT_EMPTY (0), holds. VARIANT_TRUE reads as -1, and as all bits
// set when `target` is an unsigned integer type.
Number ReadNumber(const VARIANT& value, VARTYPE target) noexcept;

// Stores `number` in `out` as numeric `type` (vt set too). Reals become integers rounded half to
// even; anything but 0 becomes VARIANT_TRUE. DISP_E_OVERFLOW, `out` untouched, when it does not fit.
[[nodiscard]] HRESULT StoreNumber(const Number& number, VARTYPE type, VARIANT* out) noexcept;

}  // namespace quenvar::platform
