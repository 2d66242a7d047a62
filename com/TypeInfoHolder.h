// The type information of IPalvex, shared by every object of the process: loaded from the
// registered type library on first use, released when the last core goes.
#pragma once

#include "platform/Win32.h"

#include <atomic>

namespace quenvar {

// A constant-initialised aggregate: nothing runs before the module's process attach.
// `cachedTypeInfo` and `holdCount` are written only under theModule.typeInfoLock, and read there,
// except that a live core's GetIDsOfNames and Invoke read a filled cache without the lock: the
// core's own hold keeps it filled until the core dies.
struct TypeInfoHolder {
    const GUID* interfaceId;
    const GUID* libraryId;
    WORD majorVersion;
    WORD minorVersion;
    std::atomic<ITypeInfo*> cachedTypeInfo;  // the cache's own reference; null until loaded
    LONG holdCount;                          // live cores

    // Every core takes one hold while it lives. The Drop that ends the last hold releases the
    // cached type information, so the next object loads it again.
    void Hold() noexcept;
    void Drop() noexcept;

    // *typeInfo = the type information with a reference for the caller, loaded through
    // LoadRegTypeLib with `lcid` if none is cached (the locale matters only to that load).
    // On failure *typeInfo is null and the load's error (or GetTypeInfoOfGuid's) is answered.
    [[nodiscard]] HRESULT FetchTypeInfo(LCID lcid, ITypeInfo** typeInfo) noexcept;

    // IDispatch's operations over that type information. GetTypeInfo answers E_POINTER for a null
    // out pointer and ignores the index; the IID is never examined. Invoke first clears the
    // calling thread's error object, then calls the member through `self`. GetIDsOfNames and
    // Invoke must come from a core that holds the cache, as every live core does.
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) noexcept;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) noexcept;
    HRESULT Invoke(IDispatch* self, DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) noexcept
    {
        SetErrorInfo(/*reserved=*/0, nullptr);
        // Inline, because this is every late-bound call: the calling core's hold keeps a filled
        // cache alive through the call, so it needs no lock and no reference of its own.
        if (ITypeInfo* const cached = cachedTypeInfo.load(std::memory_order_acquire); cached != nullptr) {
            return cached->Invoke(self, dispIdMember, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
        }
        return LoadAndInvoke(self, dispIdMember, riid, lcid, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
    }

private:
    HRESULT LoadAndInvoke(IDispatch* self, DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                          DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) noexcept;
};

// The library's one holder: IPalvex of QUENVARLib 1.0.
extern constinit TypeInfoHolder theTypeInfoHolder;

}  // namespace quenvar
