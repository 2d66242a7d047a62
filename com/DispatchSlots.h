// The four IDispatch slots (3 to 6) of every table of functions that carries IPalvex: the
// standalone object's and the delegating core's overrides call these. They use nothing of the
// object but, for Invoke, the interface pointer the client called through.
#pragma once

#include "platform/Win32.h"

namespace quenvar {

// Stores 1 (one type information: IPalvex); E_POINTER for a null pointer.
HRESULT DispatchGetTypeInfoCount(UINT* pctinfo) noexcept;

// The shared holder's operations (TypeInfoHolder.h): the load's error when the type library
// cannot be loaded; the type information's own answers otherwise.
HRESULT DispatchGetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) noexcept;
HRESULT DispatchGetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) noexcept;
HRESULT DispatchInvoke(IDispatch* self, DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                       DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) noexcept;

}  // namespace quenvar
