#include "module/ModuleState.h"

#include <atomic>

namespace quenvar {

ModuleState theModule;

namespace {

std::atomic_ref<HANDLE> HeapOf(ModuleState& state) { return std::atomic_ref<HANDLE>(state.heap); }

// Two threads may allocate first at the same moment: each may create a heap, but only one is
// published and the loser destroys its own.
HANDLE EnsureHeap() noexcept
{
    HANDLE heap = HeapOf(theModule).load(std::memory_order_acquire);
    if (heap != nullptr) return heap;
    HANDLE created = HeapCreate(/*options=*/0, /*initialSize=*/0, /*maximumSize=*/0);
    if (created == nullptr) return nullptr;
    if (HeapOf(theModule).compare_exchange_strong(heap, created, std::memory_order_acq_rel)) return created;
    HeapDestroy(created);
    return heap;
}

}  // namespace

HRESULT InitializeModule(ModuleState* state, ObjectMapEntry* objectMap, HINSTANCE instance) noexcept
{
    if (state == nullptr || state->size < kModuleStateSize) return E_INVALIDARG;
    state->lockCount = 0;
    state->heap = nullptr;
    state->objectMap = objectMap;
    state->moduleInstance = instance;
    state->typeLibInstance = instance;
    InitializeCriticalSection(&state->typeInfoLock);
    InitializeCriticalSection(&state->objectMapLock);
    return S_OK;
}

void* ModuleAlloc(SIZE_T size) noexcept
{
    HANDLE heap = EnsureHeap();
    return heap == nullptr ? nullptr : HeapAlloc(heap, /*flags=*/0, size);
}

void* ModuleRealloc(void* pointer, SIZE_T size) noexcept
{
    if (pointer == nullptr) return ModuleAlloc(size);
    return HeapReAlloc(HeapOf(theModule).load(std::memory_order_acquire), /*flags=*/0, pointer, size);
}

void ModuleFree(void* pointer) noexcept
{
    HeapFree(HeapOf(theModule).load(std::memory_order_acquire), /*flags=*/0, pointer);
}

}  // namespace quenvar
