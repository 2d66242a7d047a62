#include "linux/automation/VariantTypes.h"

namespace quenvar::platform {

bool IsValueType(VARTYPE type) noexcept
{
    switch (type) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_UNKNOWN:
    case VT_DECIMAL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT: return true;
    default: return false;
    }
}

bool IsStorableType(VARTYPE type) noexcept
{
    if ((type & VT_BYREF) == 0) return IsValueType(type);
    const VARTYPE target = type & ~VT_BYREF;
    return target == VT_VARIANT || (target != VT_EMPTY && target != VT_NULL && IsValueType(target));
}

bool IsNumericType(VARTYPE type) noexcept
{
    switch (type) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_BOOL: return true;
    default: return false;
    }
}

}  // namespace quenvar::platform
