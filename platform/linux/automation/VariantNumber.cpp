#include "linux/automation/VariantNumber.h"

#include <cfloat>
#include <cmath>
#include <limits>
#include <type_traits>
#include <utility>

namespace quenvar::platform {
namespace {

double RoundHalfToEven(double value)
{
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction < 0.5) return below;
    if (fraction > 0.5) return below + 1.0;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

template <typename Target>
HRESULT Fit(const Number& number, Target* out)
{
    return std::visit(
        [out](auto value) -> HRESULT {
            using Source = decltype(value);
            if constexpr (std::is_same_v<Target, double>) {
                *out = static_cast<double>(value);
            } else if constexpr (std::is_same_v<Target, float>) {
                if (std::isfinite(static_cast<double>(value)) && std::fabs(static_cast<double>(value)) > FLT_MAX) {
                    return DISP_E_OVERFLOW;
                }
                *out = static_cast<float>(value);
            } else if constexpr (std::is_same_v<Source, double>) {
                if (std::isnan(value)) return DISP_E_OVERFLOW;
                const double rounded = RoundHalfToEven(value);
                // max + 1 is a power of two, so the bound is exact even where max itself is not.
                constexpr double kLowest = static_cast<double>(std::numeric_limits<Target>::min());
                constexpr double kBeyond = static_cast<double>(std::numeric_limits<Target>::max()) + 1.0;
                if (!(rounded >= kLowest && rounded < kBeyond)) return DISP_E_OVERFLOW;
                *out = static_cast<Target>(rounded);
            } else {
                if (!std::in_range<Target>(value)) return DISP_E_OVERFLOW;
                *out = static_cast<Target>(value);
            }
            return S_OK;
        },
        number);
}

template <typename Target, typename Field>
HRESULT Put(const Number& number, VARTYPE type, Field& field, VARIANT* out)
{
    Target value{};
    const HRESULT hr = Fit(number, &value);
    if (FAILED(hr)) return hr;
    field = static_cast<Field>(value);
    out->vt = type;
    return S_OK;
}

bool IsZero(const Number& number)
{
    return std::visit([](auto value) { return value == 0; }, number);
}

}  // namespace

Number ReadNumber(const VARIANT& value, VARTYPE target) noexcept
{
    switch (value.vt) {
    case VT_I1: return LONGLONG{static_cast<signed char>(value.cVal)};
    case VT_UI1: return LONGLONG{value.bVal};
    case VT_I2: return LONGLONG{value.iVal};
    case VT_UI2: return LONGLONG{value.uiVal};
    case VT_I4: return LONGLONG{value.lVal};
    case VT_UI4: return LONGLONG{value.ulVal};
    case VT_INT: return LONGLONG{value.intVal};
    case VT_UINT: return LONGLONG{value.uintVal};
    case VT_I8: return value.llVal;
    case VT_UI8: return value.ullVal;
    case VT_R4: return double{value.fltVal};
    case VT_R8: return value.dblVal;
    case VT_BOOL:
        switch (target) {
        case VT_UI1: return LONGLONG{static_cast<BYTE>(value.boolVal)};
        case VT_UI2: return LONGLONG{static_cast<USHORT>(value.boolVal)};
        case VT_UI4:
        case VT_UINT: return LONGLONG{static_cast<ULONG>(value.boolVal)};
        case VT_UI8: return static_cast<ULONGLONG>(static_cast<LONGLONG>(value.boolVal));
        default: return LONGLONG{value.boolVal};
        }
    default: return LONGLONG{0};
    }
}

HRESULT StoreNumber(const Number& number, VARTYPE type, VARIANT* out) noexcept
{
    switch (type) {
    case VT_I1: return Put<signed char>(number, type, out->cVal, out);
    case VT_UI1: return Put<BYTE>(number, type, out->bVal, out);
    case VT_I2: return Put<SHORT>(number, type, out->iVal, out);
    case VT_UI2: return Put<USHORT>(number, type, out->uiVal, out);
    case VT_I4: return Put<LONG>(number, type, out->lVal, out);
    case VT_UI4: return Put<ULONG>(number, type, out->ulVal, out);
    case VT_INT: return Put<INT>(number, type, out->intVal, out);
    case VT_UINT: return Put<UINT>(number, type, out->uintVal, out);
    case VT_I8: return Put<LONGLONG>(number, type, out->llVal, out);
    case VT_UI8: return Put<ULONGLONG>(number, type, out->ullVal, out);
    case VT_R4: return Put<float>(number, type, out->fltVal, out);
    case VT_R8: return Put<double>(number, type, out->dblVal, out);
    case VT_BOOL:
        out->boolVal = IsZero(number) ? VARIANT_FALSE : VARIANT_TRUE;
        out->vt = VT_BOOL;
        return S_OK;
    default: return DISP_E_TYPEMISMATCH;
    }
}

}  // namespace quenvar::platform
