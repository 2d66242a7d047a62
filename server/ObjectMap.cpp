#include "server/ObjectMap.h"

#include "platform/UniqueHandle.h"

#include <atomic>

namespace quenvar {
namespace {

std::atomic_ref<IUnknown*> ClassObjectOf(ObjectMapEntry& row) { return std::atomic_ref<IUnknown*>(row.classObject); }

}  // namespace

HRESULT LookUpClassObject(ModuleState* state, REFCLSID rclsid, REFIID riid, void** ppv) noexcept
{
    if (state == nullptr) return E_INVALIDARG;
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    HRESULT hr = S_OK;
    for (ObjectMapEntry* row = state->objectMap; row->clsid != nullptr; ++row) {
        if (!IsEqualGUID(*row->clsid, rclsid)) continue;
        IUnknown* classObject = ClassObjectOf(*row).load(std::memory_order_acquire);
        if (classObject == nullptr) {
            CriticalSectionGuard guard(state->objectMapLock);
            classObject = ClassObjectOf(*row).load(std::memory_order_acquire);
            if (classObject == nullptr) {
                IUnknown* created = nullptr;
                hr = row->createClassObject(reinterpret_cast<void*>(row->createInstance), IID_IUnknown,
                                            reinterpret_cast<void**>(&created));
                if (SUCCEEDED(hr)) {
                    ClassObjectOf(*row).store(created, std::memory_order_release);
                    classObject = created;
                }
            }
        }
        if (classObject != nullptr) hr = classObject->QueryInterface(riid, ppv);
        break;
    }
    if (hr == S_OK && *ppv == nullptr) hr = CLASS_E_CLASSNOTAVAILABLE;
    return hr;
}

HRESULT ShutDownModule(ModuleState* state) noexcept
{
    if (state == nullptr) return E_INVALIDARG;
    for (ObjectMapEntry* row = state->objectMap; row != nullptr && row->clsid != nullptr; ++row) {
        IUnknown* classObject = ClassObjectOf(*row).exchange(nullptr, std::memory_order_acq_rel);
        if (classObject != nullptr) classObject->Release();
    }
    DeleteCriticalSection(&state->typeInfoLock);
    DeleteCriticalSection(&state->objectMapLock);
    if (state->heap != nullptr) {
        HeapDestroy(state->heap);
        state->heap = nullptr;
    }
    return S_OK;
}

}  // namespace quenvar
