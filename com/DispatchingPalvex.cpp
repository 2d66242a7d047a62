#include "com/DispatchingPalvex.h"

namespace quenvar {

HRESULT DispatchingPalvex::GetTypeInfoCount(UINT* pctinfo) noexcept
{
    if (pctinfo == nullptr) return E_POINTER;
    *pctinfo = 1;  // IPalvex's
    return S_OK;
}

HRESULT DispatchingPalvex::GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) noexcept
{
    return theTypeInfoHolder.GetTypeInfo(iTInfo, lcid, ppTInfo);
}

HRESULT DispatchingPalvex::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                         DISPID* rgDispId) noexcept
{
    return theTypeInfoHolder.GetIDsOfNames(riid, rgszNames, cNames, lcid, rgDispId);
}

HRESULT DispatchingPalvex::Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                  VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) noexcept
{
    // The interface the client called through: the object's own, or the core's inside an aggregate.
    return theTypeInfoHolder.Invoke(static_cast<IPalvex*>(this), dispIdMember, riid, lcid, wFlags, pDispParams,
                                    pVarResult, pExcepInfo, puArgErr);
}

}  // namespace quenvar
