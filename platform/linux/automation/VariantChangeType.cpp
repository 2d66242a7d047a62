// Conversions between the variant types scripts pass: the integers, reals, VT_BOOL, text,
// VT_EMPTY, VT_NULL, VT_ERROR and interfaces; by-reference sources are read through. CY, DATE
// and DECIMAL convert only to themselves, and an object converts to no value type (its value
// property is not read).
#include "platform/Win32.h"

#include "linux/automation/VariantText.h"
#include "linux/automation/VariantTypes.h"
#include "linux/edge/Boundary.h"

#include <string_view>

namespace quenvar::platform {
namespace {

// The value a by-reference source points at, as a variant that owns nothing.
HRESULT Dereference(const VARIANTARG& source, VARIANT* view)
{
    *view = source;
    if ((source.vt & VT_BYREF) == 0) return S_OK;
    if (source.byref == nullptr) return E_INVALIDARG;
    const VARTYPE target = source.vt & ~VT_BYREF;
    if (target == VT_VARIANT) {
        const VARIANT& inner = *source.pvarVal;
        if (inner.vt == (VT_BYREF | VT_VARIANT) || !IsStorableType(inner.vt)) return DISP_E_BADVARTYPE;
        return Dereference(inner, view);
    }
    switch (target) {
    case VT_I1: view->cVal = *source.pcVal; break;
    case VT_UI1: view->bVal = *source.pbVal; break;
    case VT_I2: view->iVal = *source.piVal; break;
    case VT_UI2: view->uiVal = *source.puiVal; break;
    case VT_I4: view->lVal = *source.plVal; break;
    case VT_UI4: view->ulVal = *source.pulVal; break;
    case VT_INT: view->intVal = *source.pintVal; break;
    case VT_UINT: view->uintVal = *source.puintVal; break;
    case VT_I8: view->llVal = *source.pllVal; break;
    case VT_UI8: view->ullVal = *source.pullVal; break;
    case VT_R4: view->fltVal = *source.pfltVal; break;
    case VT_R8: view->dblVal = *source.pdblVal; break;
    case VT_BOOL: view->boolVal = *source.pboolVal; break;
    case VT_ERROR: view->scode = *source.pscode; break;
    case VT_CY: view->cyVal = *source.pcyVal; break;
    case VT_DATE: view->date = *source.pdate; break;
    case VT_BSTR: view->bstrVal = *source.pbstrVal; break;
    case VT_DISPATCH: view->pdispVal = *source.ppdispVal; break;
    case VT_UNKNOWN: view->punkVal = *source.ppunkVal; break;
    case VT_DECIMAL: view->decVal = *source.pdecVal; break;  // overlays vt as well
    default: return DISP_E_BADVARTYPE;
    }
    view->vt = target;
    return S_OK;
}

HRESULT ToText(const VARIANT& value, USHORT flags, VARIANT* out)
{
    BSTR text = nullptr;
    if (value.vt == VT_EMPTY) {
        text = SysAllocStringLen(nullptr, 0);
    } else if (value.vt == VT_BOOL) {
        text = FormatTruth(value.boolVal != VARIANT_FALSE, (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL)) != 0);
    } else if (IsNumericType(value.vt)) {
        text = FormatNumber(ReadNumber(value, VT_BSTR), value.vt);
    } else {
        return DISP_E_TYPEMISMATCH;
    }
    if (text == nullptr) return E_OUTOFMEMORY;
    out->vt = VT_BSTR;
    out->bstrVal = text;
    return S_OK;
}

HRESULT ToInterface(const VARIANT& value, VARTYPE type, VARIANT* out)
{
    if (value.vt == VT_DISPATCH && type == VT_UNKNOWN) {
        if (value.pdispVal != nullptr) value.pdispVal->AddRef();
        out->punkVal = value.pdispVal;
    } else if (value.vt == VT_UNKNOWN && type == VT_DISPATCH) {
        IDispatch* dispatch = nullptr;
        if (value.punkVal != nullptr &&
            FAILED(value.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
            return DISP_E_TYPEMISMATCH;
        }
        out->pdispVal = dispatch;
    } else {
        return DISP_E_TYPEMISMATCH;
    }
    out->vt = type;
    return S_OK;
}

HRESULT ToNumber(const VARIANT& value, VARTYPE type, VARIANT* out)
{
    if (value.vt == VT_EMPTY || IsNumericType(value.vt)) return StoreNumber(ReadNumber(value, type), type, out);
    if (value.vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
    const std::u16string_view text(value.bstrVal == nullptr ? u"" : value.bstrVal, SysStringLen(value.bstrVal));
    Number number;
    // The Automation number grammar of VarI4FromStr for every numeric type, as the system routes
    // these conversions through its Var*FromStr functions.
    const HRESULT hr = ParseNumber(text, type, &number);
    if (FAILED(hr)) return hr;
    return StoreNumber(number, type, out);
}

HRESULT Convert(const VARIANT& value, USHORT flags, VARTYPE type, VARIANT* out)
{
    if (type == VT_EMPTY) {
        out->vt = VT_EMPTY;
        return S_OK;
    }
    if (type == value.vt) return VariantCopy(out, &value);
    if (type == VT_BSTR) return ToText(value, flags, out);
    if (type == VT_DISPATCH || type == VT_UNKNOWN) return ToInterface(value, type, out);
    if (IsNumericType(type)) return ToNumber(value, type, out);
    return DISP_E_TYPEMISMATCH;
}

}  // namespace
}  // namespace quenvar::platform

extern "C" HRESULT STDAPICALLTYPE VariantChangeType(VARIANTARG* destination, const VARIANTARG* source, USHORT flags,
                                                    VARTYPE type) noexcept
{
    using namespace quenvar::platform;
    return Boundary("VariantChangeType", ReturnsHResult{}, [&]() -> HRESULT {
        if (destination == nullptr || source == nullptr) return E_INVALIDARG;
        if (!IsValueType(type) || !IsStorableType(source->vt) || !IsStorableType(destination->vt)) {
            return DISP_E_BADVARTYPE;
        }
        VARIANT value;
        HRESULT hr = Dereference(*source, &value);
        if (FAILED(hr)) return hr;
        // Converted aside first: the destination may be the source, and stays as it was on failure.
        VARIANT converted{};
        hr = Convert(value, flags, type, &converted);
        if (FAILED(hr)) return hr;
        VariantClear(destination);
        *destination = converted;
        return S_OK;
    });
}
