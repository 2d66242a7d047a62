// VARIANT lifetime: what a variant owns (a BSTR, one interface reference) is freed by
// VariantClear and duplicated by VariantCopy; a VT_BYREF variant owns nothing.
#include "platform/Win32.h"

#include "linux/automation/VariantTypes.h"
#include "linux/edge/Boundary.h"

using quenvar::platform::Boundary;
using quenvar::platform::IsStorableType;
using quenvar::platform::ReturnsHResult;

extern "C" {

void STDAPICALLTYPE VariantInit(VARIANTARG* variant) noexcept { variant->vt = VT_EMPTY; }

HRESULT STDAPICALLTYPE VariantClear(VARIANTARG* variant) noexcept
{
    return Boundary("VariantClear", ReturnsHResult{}, [&]() -> HRESULT {
        if (variant == nullptr) return E_INVALIDARG;
        // The types that own something first: storable by definition, and what a dispatched call's
        // result most often is.
        switch (variant->vt) {
        case VT_BSTR: SysFreeString(variant->bstrVal); break;
        case VT_DISPATCH:
        case VT_UNKNOWN:
            if (variant->punkVal != nullptr) variant->punkVal->Release();
            break;
        default:
            if (!IsStorableType(variant->vt)) return DISP_E_BADVARTYPE;
            break;
        }
        variant->vt = VT_EMPTY;
        return S_OK;
    });
}

HRESULT STDAPICALLTYPE VariantCopy(VARIANTARG* destination, const VARIANTARG* source) noexcept
{
    return Boundary("VariantCopy", ReturnsHResult{}, [&]() -> HRESULT {
        if (destination == nullptr || source == nullptr) return E_INVALIDARG;
        if (!IsStorableType(source->vt)) return DISP_E_BADVARTYPE;
        if (destination == source) return S_OK;
        const HRESULT cleared = VariantClear(destination);
        if (FAILED(cleared)) return cleared;

        BSTR text = nullptr;
        if (source->vt == VT_BSTR && source->bstrVal != nullptr) {
            // By bytes, so that an odd-length string made by SysAllocStringByteLen survives whole.
            text = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(source->bstrVal), SysStringByteLen(source->bstrVal));
            if (text == nullptr) return E_OUTOFMEMORY;
        }
        if ((source->vt == VT_DISPATCH || source->vt == VT_UNKNOWN) && source->punkVal != nullptr) {
            source->punkVal->AddRef();
        }
        *destination = *source;
        if (text != nullptr) destination->bstrVal = text;
        return S_OK;
    });
}

}  // extern "C"
