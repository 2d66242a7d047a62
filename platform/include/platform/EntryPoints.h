// The functions callers reach through a raw pointer instead of a declaration: a server module's
// exports, its entry point, and the slots of a vtable. Each type carries its calling convention,
// so that a pointer from GetProcAddress or from a vtable is called the way the function expects
// in the System V build and in the Windows-convention build alike. A cast that drops the
// convention compiles silently and calls wrongly: go through these.
#pragma once

#include "platform/Win32.h"

using LPFNGETCLASSOBJECT = HRESULT(STDAPICALLTYPE*)(REFCLSID clsid, REFIID iid, LPVOID* object);
using LPFNCANUNLOADNOW = HRESULT(STDAPICALLTYPE*)();
// DllRegisterServer and DllUnregisterServer.
using LPFNREGISTRATION = HRESULT(STDAPICALLTYPE*)();
// A module's entry point (DllMain), called on process attach and detach.
using LPFNDLLMAIN = BOOL(WINAPI*)(HINSTANCE instance, DWORD reason, LPVOID reserved);

namespace quenvar {

// A GetProcAddress result as the function it is. Through the generic function pointer type: the
// one cast between function types that is allowed without a warning.
template <typename Function>
Function ProcAs(FARPROC proc) noexcept
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

// A vtable slot taking `self` and then `Arguments`, as an interface method is called.
template <typename Result, typename... Arguments>
using MethodSlot = Result(STDMETHODCALLTYPE*)(void* self, Arguments...);

// Slot `index` of the vtable of the object `self` points at.
template <typename Slot>
Slot VtableSlot(void* self, unsigned index) noexcept
{
    void* const* const table = *static_cast<void* const* const*>(self);
    return reinterpret_cast<Slot>(table[index]);
}

}  // namespace quenvar
