// The module record: the library's instance handles, its object map, the lock count that decides
// whether it may be unloaded, its private heap and its two module-wide locks.
#pragma once

#include "platform/Win32.h"

namespace quenvar {

struct ObjectMapEntry;

constexpr UINT kModuleStateSize = 100;

struct ModuleState {
    UINT size;
    HINSTANCE moduleInstance;
    HINSTANCE typeLibInstance;
    ObjectMapEntry* objectMap;
    LONG lockCount;
    HANDLE heap;  // null until the first allocation
    CRITICAL_SECTION typeInfoLock;
    CRITICAL_SECTION objectMapLock;
};

// The record of this library; zero until process attach initialises it.
extern ModuleState theModule;

// E_INVALIDARG, record untouched, for a null record or a size below kModuleStateSize.
[[nodiscard]] HRESULT InitializeModule(ModuleState* state, ObjectMapEntry* objectMap, HINSTANCE instance) noexcept;

// Blocks of the private heap, created by the first allocation. Null when out of memory; a failed
// ModuleRealloc leaves the old block valid. A null pointer makes ModuleRealloc an allocation.
void* ModuleAlloc(SIZE_T size) noexcept;
void* ModuleRealloc(void* pointer, SIZE_T size) noexcept;
void ModuleFree(void* pointer) noexcept;

// The module lock count, moved only by interlocked operations.
inline void LockModule() noexcept { InterlockedIncrement(&theModule.lockCount); }
inline void UnlockModule() noexcept { InterlockedDecrement(&theModule.lockCount); }

}  // namespace quenvar
