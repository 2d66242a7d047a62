// The interfaces the tests call on objects of a loaded x64 DLL, laid out as Windows x64 code lays
// out their vtables: every slot a function in the Windows calling convention.
#pragma once

#include "platform/Win32.h"

#define MS_ABI __attribute__((ms_abi))

namespace quenvar::testing::windows {

struct UnknownSlots {
    HRESULT(MS_ABI* QueryInterface)(void* self, const IID* iid, void** object);
    ULONG(MS_ABI* AddRef)(void* self);
    ULONG(MS_ABI* Release)(void* self);
};

struct ClassFactorySlots : UnknownSlots {
    HRESULT(MS_ABI* CreateInstance)(void* self, void* outer, const IID* iid, void** object);
    HRESULT(MS_ABI* LockServer)(void* self, BOOL lock);
};

struct PalvexSlots : UnknownSlots {
    void* dispatch[4];  // IDispatch's members, not called from here
    HRESULT(MS_ABI* get_HTTPVer)(void* self, BSTR* value);
    HRESULT(MS_ABI* get_ServerSoftware)(void* self, BSTR* value);
    HRESULT(MS_ABI* get_ContentLocation)(void* self, BSTR* value);
    HRESULT(MS_ABI* put_ServerURL)(void* self, BSTR value);
    HRESULT(MS_ABI* get_CurrentServerTime)(void* self, BSTR* value);
    HRESULT(MS_ABI* QueryServer)(void* self);
    HRESULT(MS_ABI* get_ErrorInfo)(void* self, BSTR* value);
};

template <typename Slots>
const Slots& VtableOf(void* object)
{
    return **static_cast<const Slots* const*>(object);
}

using DllGetClassObjectFunction = HRESULT(MS_ABI*)(const CLSID* clsid, const IID* iid, void** object);
using DllCanUnloadNowFunction = HRESULT(MS_ABI*)();

}  // namespace quenvar::testing::windows
