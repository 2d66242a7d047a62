#include "com/DispatchingPalvex.h"

#include "com/DispatchSlots.h"

namespace quenvar {

HRESULT DispatchingPalvex::GetTypeInfoCount(UINT* pctinfo) noexcept { return DispatchGetTypeInfoCount(pctinfo); }

HRESULT DispatchingPalvex::GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) noexcept
{
    return DispatchGetTypeInfo(iTInfo, lcid, ppTInfo);
}

HRESULT DispatchingPalvex::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                         DISPID* rgDispId) noexcept
{
    return DispatchGetIDsOfNames(riid, rgszNames, cNames, lcid, rgDispId);
}

HRESULT DispatchingPalvex::Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                  VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) noexcept
{
    // The interface the client called through: the object's own, or the core's inside an aggregate.
    return DispatchInvoke(static_cast<IPalvex*>(this), dispIdMember, riid, lcid, wFlags, pDispParams, pVarResult,
                          pExcepInfo, puArgErr);
}

}  // namespace quenvar
