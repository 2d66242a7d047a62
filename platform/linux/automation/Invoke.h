// The dispatch engine behind ITypeInfo::Invoke: calling a function that a DISPID and flags chose
// (FunctionIndex.h) through an object's table of functions, with arguments from DISPPARAMS.
#pragma once

#include "linux/automation/PreparedCall.h"
#include "platform/Win32.h"

namespace quenvar::platform {

// Calls slot `slotIndex` of the table of functions of `instance` (`this` first, the platform's
// default calling convention) as the function of `call` describes it: the vtable view of the
// member (FUNC_VIRTUAL or FUNC_PUREVIRTUAL; HRESULT, void or a value type returned; an
// [out, retval] parameter last, if any).
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
// copies, out values the callee returned) is freed before this returns; a call of up to
// kInlineParameters parameters takes no heap memory of its own.
[[nodiscard]] HRESULT InvokeThroughVtable(void* instance, const PreparedCall& call, unsigned slotIndex,
                                          DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                          UINT* argError) noexcept;

}  // namespace quenvar::platform
