#include "com/TypeInfoHolder.h"

#include "component/IPalvex.h"
#include "module/ModuleState.h"
#include "platform/UniqueInterface.h"

namespace quenvar {

constinit TypeInfoHolder theTypeInfoHolder = {
    &IID_IPalvex,    &LIBID_QUENVARLib, /*majorVersion=*/1, /*minorVersion=*/0, /*cachedTypeInfo=*/nullptr,
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
    ITypeInfo* const cached = cachedTypeInfo.load(std::memory_order_relaxed);
    if (--holdCount == 0 && cached != nullptr) {
        cached->Release();
        cachedTypeInfo.store(nullptr, std::memory_order_relaxed);
    }
}

HRESULT TypeInfoHolder::FetchTypeInfo(LCID lcid, ITypeInfo** typeInfo) noexcept
{
    *typeInfo = nullptr;
    // Held through the load, so that one thread loads while the others wait for its result.
    CriticalSectionGuard guard(theModule.typeInfoLock);
    HRESULT hr = S_OK;
    ITypeInfo* cached = cachedTypeInfo.load(std::memory_order_relaxed);
    if (cached == nullptr) {
        UniqueInterface<ITypeLib> library;
        hr = LoadRegTypeLib(*libraryId, majorVersion, minorVersion, lcid, library.put());
        if (SUCCEEDED(hr)) {
            UniqueInterface<ITypeInfo> loaded;
            hr = library.get()->GetTypeInfoOfGuid(*interfaceId, loaded.put());
            // Published whole to the calls that read the cache without the lock.
            if (SUCCEEDED(hr)) cachedTypeInfo.store(cached = loaded.release(), std::memory_order_release);
        }
    }
    *typeInfo = cached;
    if (cached != nullptr) {
        cached->AddRef();
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
    // The calling core's hold keeps a filled cache alive through the call: no lock, no reference.
    if (ITypeInfo* const cached = cachedTypeInfo.load(std::memory_order_acquire); cached != nullptr) {
        return cached->GetIDsOfNames(rgszNames, cNames, rgDispId);
    }
    UniqueInterface<ITypeInfo> typeInfo;
    const HRESULT hr = FetchTypeInfo(lcid, typeInfo.put());
    if (!typeInfo) return hr;
    // The type information is called outside the lock, on the caller's own reference.
    return typeInfo.get()->GetIDsOfNames(rgszNames, cNames, rgDispId);
}

HRESULT TypeInfoHolder::LoadAndInvoke(IDispatch* self, DISPID dispIdMember, REFIID /*riid*/, LCID lcid, WORD wFlags,
                                      DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                      UINT* puArgErr) noexcept
{
    UniqueInterface<ITypeInfo> typeInfo;
    const HRESULT hr = FetchTypeInfo(lcid, typeInfo.put());
    if (!typeInfo) return hr;
    return typeInfo.get()->Invoke(self, dispIdMember, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
}

}  // namespace quenvar
