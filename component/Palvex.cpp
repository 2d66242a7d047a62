#include "component/Palvex.h"

namespace quenvar {
namespace {

HRESULT CopyOut(const UniqueBstr& field, BSTR* pVal) noexcept
{
    if (pVal == nullptr) return E_POINTER;
    *pVal = SysAllocStringLen(field.get(), SysStringLen(field.get()));
    return *pVal == nullptr ? E_OUTOFMEMORY : S_OK;
}

}  // namespace

HRESULT Palvex::get_HTTPVer(BSTR* pVal) noexcept { return CopyOut(httpVer, pVal); }

HRESULT Palvex::get_ServerSoftware(BSTR* pVal) noexcept { return CopyOut(serverSoftware, pVal); }

HRESULT Palvex::get_ContentLocation(BSTR* pVal) noexcept { return CopyOut(contentLocation, pVal); }

HRESULT Palvex::get_CurrentServerTime(BSTR* pVal) noexcept { return CopyOut(currentServerTime, pVal); }

HRESULT Palvex::get_ErrorInfo(BSTR* pVal) noexcept { return CopyOut(errorInfo, pVal); }

HRESULT Palvex::put_ServerURL(BSTR newVal) noexcept
{
    if (newVal == nullptr) return E_POINTER;
    // The copy is made before the old host is freed, so a failed allocation loses nothing.
    BSTR copy = SysAllocString(newVal);
    if (copy == nullptr) return E_OUTOFMEMORY;
    serverURL.reset(copy);
    return S_OK;
}

}  // namespace quenvar
