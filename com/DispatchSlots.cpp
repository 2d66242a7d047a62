#include "com/DispatchSlots.h"

#include "com/TypeInfoHolder.h"

namespace quenvar {

HRESULT DispatchGetTypeInfoCount(UINT* pctinfo) noexcept
{
    if (pctinfo == nullptr) return E_POINTER;
    *pctinfo = 1;
    return S_OK;
}

HRESULT DispatchGetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) noexcept
{
    return theTypeInfoHolder.GetTypeInfo(iTInfo, lcid, ppTInfo);
}

HRESULT DispatchGetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) noexcept
{
    return theTypeInfoHolder.GetIDsOfNames(riid, rgszNames, cNames, lcid, rgDispId);
}

HRESULT DispatchInvoke(IDispatch* self, DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                       DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) noexcept
{
    return theTypeInfoHolder.Invoke(self, dispIdMember, riid, lcid, wFlags, pDispParams, pVarResult, pExcepInfo,
                                    puArgErr);
}

}  // namespace quenvar
