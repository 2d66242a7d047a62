#include "com/StandaloneObject.h"

#include "com/ComponentInterfaceTable.h"
#include "module/ModuleState.h"

#include <new>

namespace quenvar {

StandaloneObject::StandaloneObject() noexcept { LockModule(); }

HRESULT StandaloneObject::QueryInterface(REFIID riid, void** ppvObject) noexcept
{
    return FindInterface(this, kComponentInterfaces, riid, ppvObject);
}

ULONG StandaloneObject::AddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&reference.count)); }

ULONG StandaloneObject::Release() noexcept
{
    const LONG count = InterlockedDecrement(&reference.count);
    if (count == 0) Destroy(this);
    return static_cast<ULONG>(count);
}

void StandaloneObject::Destroy(StandaloneObject* object) noexcept
{
    object->reference.count = 1;
    UnlockModule();
    object->~StandaloneObject();
    ModuleFree(object);
}

HRESULT StandaloneObject::Create(void*, REFIID riid, void** ppv) noexcept
{
    void* memory = ModuleAlloc(sizeof(StandaloneObject));
    if (memory == nullptr) return E_OUTOFMEMORY;
    auto* object = new (memory) StandaloneObject;
    const HRESULT hr = object->QueryInterface(riid, ppv);
    if (hr != S_OK) Destroy(object);
    return hr;
}

}  // namespace quenvar
