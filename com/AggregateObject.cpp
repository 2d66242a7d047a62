#include "com/AggregateObject.h"

#include "com/ComponentInterfaceTable.h"
#include "module/ModuleState.h"

#include <new>

namespace quenvar {

HRESULT DelegatingCore::QueryInterface(REFIID riid, void** ppvObject) noexcept
{
    return reference.outer->QueryInterface(riid, ppvObject);
}

ULONG DelegatingCore::AddRef() noexcept { return reference.outer->AddRef(); }

ULONG DelegatingCore::Release() noexcept { return reference.outer->Release(); }

AggregateOuter::AggregateOuter(IUnknown* controllingUnknown) noexcept : core(controllingUnknown) { LockModule(); }

HRESULT AggregateOuter::QueryInterface(REFIID riid, void** ppvObject) noexcept
{
    if (ppvObject == nullptr) return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown)) {
        *ppvObject = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    return FindInterface(&core, kComponentInterfaces, riid, ppvObject);
}

ULONG AggregateOuter::AddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&count)); }

ULONG AggregateOuter::Release() noexcept
{
    const LONG newCount = InterlockedDecrement(&count);
    if (newCount == 0) Destroy(this);
    return static_cast<ULONG>(newCount);
}

void AggregateOuter::Destroy(AggregateOuter* object) noexcept
{
    object->count = 1;
    UnlockModule();
    object->~AggregateOuter();
    ModuleFree(object);
}

HRESULT AggregateOuter::Create(void* context, REFIID riid, void** ppv) noexcept
{
    void* memory = ModuleAlloc(sizeof(AggregateOuter));
    if (memory == nullptr) return E_OUTOFMEMORY;
    auto* object = new (memory) AggregateOuter(static_cast<IUnknown*>(context));
    const HRESULT hr = object->QueryInterface(riid, ppv);
    if (hr != S_OK) Destroy(object);
    return hr;
}

}  // namespace quenvar
