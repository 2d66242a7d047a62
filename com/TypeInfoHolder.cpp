#include "com/TypeInfoHolder.h"

#include "component/IPalvex.h"
#include "module/ModuleState.h"
#include "platform/UniqueInterface.h"

namespace quenvar {

constinit TypeInfoHolder theTypeInfoHolder = {
    &IID_IPalvex, &LIBID_QUENVARLib, /*majorVersion=*/1, /*minorVersion=*/0, /*cachedTypeInfo=*/nullptr,
    /*holdCount=*/0,
};

void TypeInfoHolder::Hold() noexcept
{
    CriticalSectionGuard guard(theModule.typeInfoLock);
    ++holdCount;
}

void TypeInfoHolder::Drop() noexcept
{
    CriticalSectionGuard guard(theModule.typeInfoLock);
    if (--holdCount == 0 && cachedTypeInfo != nullptr) {
        cachedTypeInfo->Release();
        cachedTypeInfo = nullptr;
    }
}

HRESULT TypeInfoHolder::FetchTypeInfo(LCID lcid, ITypeInfo** typeInfo) noexcept
{
    *typeInfo = nullptr;
    // Held through the load, so that one thread loads while the others wait for its result.
    CriticalSectionGuard guard(theModule.typeInfoLock);
    HRESULT hr = S_OK;
    if (cachedTypeInfo == nullptr) {
        UniqueInterface<ITypeLib> library;
        hr = LoadRegTypeLib(*libraryId, majorVersion, minorVersion, lcid, library.put());
        if (SUCCEEDED(hr)) {
            UniqueInterface<ITypeInfo> loaded;
            hr = library.get()->GetTypeInfoOfGuid(*interfaceId, loaded.put());
            if (SUCCEEDED(hr)) cachedTypeInfo = loaded.release();
        }
    }
    *typeInfo = cachedTypeInfo;
    if (cachedTypeInfo != nullptr) {
        cachedTypeInfo->AddRef();
        hr = S_OK;
    }
    return hr;
}

HRESULT TypeInfoHolder::GetTypeInfo(UINT /*iTInfo*/, LCID lcid, ITypeInfo** ppTInfo) noexcept
{
    if (ppTInfo == nullptr) return E_POINTER;
    return FetchTypeInfo(lcid, ppTInfo);
}

HRESULT TypeInfoHolder::GetIDsOfNames(REFIID /*riid*/, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                      DISPID* rgDispId) noexcept
{
    UniqueInterface<ITypeInfo> typeInfo;
    const HRESULT hr = FetchTypeInfo(lcid, typeInfo.put());
    if (!typeInfo) return hr;
    // The type information is called outside the lock, on the caller's own reference.
    return typeInfo.get()->GetIDsOfNames(rgszNames, cNames, rgDispId);
}

HRESULT TypeInfoHolder::Invoke(IDispatch* self, DISPID dispIdMember, REFIID /*riid*/, LCID lcid, WORD wFlags,
                               DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                               UINT* puArgErr) noexcept
{
    SetErrorInfo(/*reserved=*/0, nullptr);
    UniqueInterface<ITypeInfo> typeInfo;
    const HRESULT hr = FetchTypeInfo(lcid, typeInfo.put());
    if (!typeInfo) return hr;
    return typeInfo.get()->Invoke(self, dispIdMember, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
}

}  // namespace quenvar
