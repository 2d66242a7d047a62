// Which variant types this layer knows: the value types it stores, clears, copies and converts.
// Arrays, records and safe arrays are not supported and count as bad variant types.
#pragma once

#include "platform/Win32.h"

namespace quenvar::platform {

// A type without flags whose value lives in the variant itself (BSTR and interfaces included).
bool IsValueType(VARTYPE type) noexcept;

// A type a variant may carry: a value type, or VT_BYREF with a value type or VT_VARIANT.
bool IsStorableType(VARTYPE type) noexcept;

// The integer and real types, and VT_BOOL, whose values convert into one another by number.
bool IsNumericType(VARTYPE type) noexcept;

}  // namespace quenvar::platform
