// A Palvex core with its IDispatch slots filled in through the shared type information, and its
// hold on that information for as long as it lives. The identity wrappers derive from it.
#pragma once

#include "com/TypeInfoHolder.h"
#include "component/Palvex.h"

namespace quenvar {

// Taken before the core's strings exist and dropped after they are freed.
class TypeInfoHold {
protected:
    TypeInfoHold() noexcept { theTypeInfoHolder.Hold(); }
    ~TypeInfoHold() { theTypeInfoHolder.Drop(); }
    TypeInfoHold(const TypeInfoHold&) = delete;
    TypeInfoHold& operator=(const TypeInfoHold&) = delete;
};

COM_NO_VTABLE_DTOR_WARNING_BEGIN

class DispatchingPalvex : private TypeInfoHold, public Palvex {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) noexcept final;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) noexcept final;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                            DISPID* rgDispId) noexcept final;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                     VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) noexcept final;

protected:
    DispatchingPalvex() noexcept = default;
    ~DispatchingPalvex() = default;
};

COM_NO_VTABLE_DTOR_WARNING_END

}  // namespace quenvar
