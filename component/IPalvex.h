// The component's dual interface as its type library declares it: IDispatch's seven slots, then
// the seven members in type-library order. ServerURL is write-only, the other properties
// read-only. Getters hand out a new BSTR that the caller frees.
#pragma once

#include "platform/Win32.h"

namespace quenvar {

// {6C1D4F20-8A31-4E7B-9D02-5B7A3E91C4D8}
inline constexpr CLSID CLSID_Palvex = {0x6C1D4F20, 0x8A31, 0x4E7B, {0x9D, 0x02, 0x5B, 0x7A, 0x3E, 0x91, 0xC4, 0xD8}};
// {6C1D4F21-8A31-4E7B-9D02-5B7A3E91C4D8}
inline constexpr IID IID_IPalvex = {0x6C1D4F21, 0x8A31, 0x4E7B, {0x9D, 0x02, 0x5B, 0x7A, 0x3E, 0x91, 0xC4, 0xD8}};
// {6C1D4F22-8A31-4E7B-9D02-5B7A3E91C4D8}
inline constexpr GUID LIBID_QUENVARLib = {0x6C1D4F22, 0x8A31, 0x4E7B, {0x9D, 0x02, 0x5B, 0x7A, 0x3E, 0x91, 0xC4, 0xD8}};

// Dispatch identifiers of the members.
enum PalvexDispId : DISPID {
    kDispIdHTTPVer = 1,
    kDispIdServerSoftware = 2,
    kDispIdContentLocation = 3,
    kDispIdServerURL = 4,
    kDispIdCurrentServerTime = 5,
    kDispIdQueryServer = 6,
    kDispIdErrorInfo = 7,
};

COM_NO_VTABLE_DTOR_WARNING_BEGIN

struct IPalvex : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_HTTPVer(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ServerSoftware(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ContentLocation(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ServerURL(BSTR newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CurrentServerTime(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryServer() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ErrorInfo(BSTR* pVal) = 0;
};

COM_NO_VTABLE_DTOR_WARNING_END

}  // namespace quenvar
