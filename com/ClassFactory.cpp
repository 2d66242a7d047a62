#include "com/ClassFactory.h"

#include "com/AggregateObject.h"
#include "com/InterfaceTable.h"
#include "com/StandaloneObject.h"
#include "module/ModuleState.h"
#include "platform/UniqueHandle.h"

#include <new>

namespace quenvar {
namespace {

constexpr InterfaceEntry kClassFactoryInterfaces[] = {
    MarkerRow(IID_IClassFactory, 0),
    kEndOfTable,
};

}  // namespace

ClassFactory::ClassFactory(CreatorFunction creator) noexcept : instanceCreator(creator)
{
    InitializeCriticalSection(&refLock);
}

ClassFactory::~ClassFactory() { DeleteCriticalSection(&refLock); }

HRESULT ClassFactory::QueryInterface(REFIID riid, void** ppvObject) noexcept
{
    return FindInterface(this, kClassFactoryInterfaces, riid, ppvObject);
}

ULONG ClassFactory::AddRef() noexcept
{
    CriticalSectionGuard guard(refLock);
    const LONG count = InterlockedIncrement(&refCount);
    if (count == 2) LockModule();
    return static_cast<ULONG>(count);
}

ULONG ClassFactory::Release() noexcept
{
    LONG count;
    {
        CriticalSectionGuard guard(refLock);
        count = InterlockedDecrement(&refCount);
    }
    if (count == 0) Destroy(this);
    else if (count == 1) UnlockModule();
    return static_cast<ULONG>(count);
}

HRESULT ClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) noexcept
{
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter != nullptr && !IsEqualGUID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    return instanceCreator(pUnkOuter, riid, ppvObject);
}

HRESULT ClassFactory::LockServer(BOOL fLock) noexcept
{
    if (fLock) LockModule();
    else UnlockModule();
    return S_OK;
}

void ClassFactory::Destroy(ClassFactory* factory) noexcept
{
    factory->refCount = 1;
    factory->~ClassFactory();
    ModuleFree(factory);
}

HRESULT ClassFactory::Create(void* context, REFIID riid, void** ppv) noexcept
{
    void* memory = ModuleAlloc(sizeof(ClassFactory));
    if (memory == nullptr) return E_OUTOFMEMORY;
    auto* factory = new (memory) ClassFactory(reinterpret_cast<CreatorFunction>(context));
    const HRESULT hr = factory->QueryInterface(riid, ppv);
    if (hr != S_OK) Destroy(factory);
    return hr;
}

HRESULT CreateComponentInstance(void* outer, REFIID riid, void** ppv) noexcept
{
    return outer == nullptr ? CreateStandalone(nullptr, riid, ppv) : CreateAggregate(outer, riid, ppv);
}

}  // namespace quenvar
