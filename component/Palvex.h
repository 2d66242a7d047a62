// The component's core: its six strings and the seven members of IPalvex. It cannot stand
// alone; an identity wrapper adds IUnknown and IDispatch. Calls that change one object must not
// overlap other calls on it: the core takes no lock.
#pragma once

#include "component/IPalvex.h"
#include "platform/UniqueHandle.h"

namespace quenvar {

// The host a new object asks until ServerURL is put.
inline constexpr OLECHAR kDefaultServerURL[] = OLESTR("localhost");

COM_NO_VTABLE_DTOR_WARNING_BEGIN

class Palvex : public IPalvex {
public:
    // Getters: E_POINTER for a null pVal; else a new copy of the field, counted by length so
    // embedded NULs come along, and a null field reads as "". E_OUTOFMEMORY (*pVal null) when
    // the copy cannot be made. The caller owns *pVal; its old value is not freed.
    HRESULT STDMETHODCALLTYPE get_HTTPVer(BSTR* pVal) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ServerSoftware(BSTR* pVal) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ContentLocation(BSTR* pVal) noexcept override;
    HRESULT STDMETHODCALLTYPE get_CurrentServerTime(BSTR* pVal) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ErrorInfo(BSTR* pVal) noexcept override;

    // Stores a copy up to the first NUL. E_POINTER for null and E_OUTOFMEMORY when the copy cannot
    // be made; the stored host stays in both cases.
    HRESULT STDMETHODCALLTYPE put_ServerURL(BSTR newVal) noexcept override;

    // One GET of the host in ServerURL ("host", "host:port" or "[v6]:port"); its answer's header
    // fills HTTPVer, ServerSoftware, ContentLocation and CurrentServerTime, each only when the
    // answer carries it. E_FAIL on any failure (401 and 407 answers included), with the failed
    // step and its code in ErrorInfo; the header properties then stay as they were, unless only
    // closing a handle failed. A success leaves ErrorInfo alone.
    HRESULT STDMETHODCALLTYPE QueryServer() noexcept override;

protected:
    Palvex() noexcept = default;
    ~Palvex() = default;
    Palvex(const Palvex&) = delete;
    Palvex& operator=(const Palvex&) = delete;

    // The reference count of a standalone object, or the controlling unknown inside an aggregate.
    union ReferenceWord {
        LONG count;
        IUnknown* outer;
    };
    ReferenceWord reference{.count = 0};

    // Declared in construction order, so they are freed last declared first.
    UniqueBstr currentServerTime;
    UniqueBstr serverURL{SysAllocString(kDefaultServerURL)};
    UniqueBstr contentLocation;
    UniqueBstr serverSoftware;
    UniqueBstr httpVer;
    UniqueBstr errorInfo;
};

COM_NO_VTABLE_DTOR_WARNING_END

}  // namespace quenvar
