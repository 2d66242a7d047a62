// The dispatch engine behind ITypeInfo::Invoke: choosing the function a DISPID and flags name,
// and calling it through an object's table of functions with arguments taken from DISPPARAMS.
#pragma once

#include "platform/Win32.h"

#include <span>

namespace quenvar::platform {

// The function with `memid` whose invoke kind is among `flags`; DISPATCH_METHOD|
// DISPATCH_PROPERTYGET, as scripts send to read, finds a method or a property get.
// DISP_E_MEMBERNOTFOUND (*chosen null) when none matches: an unknown DISPID, a get or call of a
// put-only property, a put of a get-only one.
[[nodiscard]] HRESULT SelectFunction(std::span<const FUNCDESC> functions, MEMBERID memid, WORD flags,
                                     const FUNCDESC** chosen) noexcept;

// Calls slot `slotIndex` of the table of functions of `instance` (`this` first, the platform's
// default calling convention) as `function` describes it: the vtable view of the member
// (FUNC_VIRTUAL or FUNC_PUREVIRTUAL; HRESULT, void or a value type returned; an [out, retval]
// parameter last, if any).
//
// Arguments come from `params` in reverse order; a property put takes its value as the named
// argument DISPID_PROPERTYPUT, other named arguments give the 0-based parameter position. Each is
// converted to the declared type with VariantChangeType; a VT_VARIANT parameter gets the argument
// as it is; a pointer parameter gets a matching VT_BYREF argument's own storage, else a converted
// temporary. Answers:
//   E_INVALIDARG            no instance, no params, cNamedArgs > cArgs, or a function not in a vtable
//   DISP_E_PARAMNOTFOUND    a put without DISPID_PROPERTYPUT, or a named argument naming no free
//                           parameter (*argError = its index in rgvarg)
//   DISP_E_NONAMEDARGS      named arguments to a function with a variable argument list
//   DISP_E_BADPARAMCOUNT    too few or too many arguments
//   DISP_E_BADVARTYPE       a parameter or return type the engine cannot pass
//   conversion errors       DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW...; *argError = index in rgvarg
//   DISP_E_EXCEPTION        the function answered a failure: exception->scode holds it, and the
//                           description, source and help of the error object the callee set
//   S_OK                    *result (when given) holds the [out, retval] value or the returned
//                           value, else VT_EMPTY; the caller owns and clears it
// The thread's error object is cleared before the call. Everything made for the call (converted
// copies, out values the callee returned) is freed before this returns.
[[nodiscard]] HRESULT InvokeThroughVtable(void* instance, const FUNCDESC& function, unsigned slotIndex,
                                          DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                          UINT* argError) noexcept;

}  // namespace quenvar::platform
