// The table of creatable classes, the lookup of their class objects, and shutdown.
#pragma once

#include "com/CreatorFunction.h"
#include "module/ModuleState.h"

namespace quenvar {

struct ObjectMapEntry {
    const CLSID* clsid;  // null in the terminating row
    HRESULT (*updateRegistry)(BOOL registering);
    CreatorFunction createClassObject;
    CreatorFunction createInstance;
    // Written once under objectMapLock, read without it (acquire/release); holds one reference.
    IUnknown* classObject;
    // A non-zero answer leaves the row out of whole-map registration.
    DWORD_PTR (*bulkExclusion)();
};

// This library's object map, ended by a row with a null clsid; its composition file defines it.
extern ObjectMapEntry theObjectMap[];

// E_INVALIDARG for a null record, E_POINTER for a null ppv, CLASS_E_CLASSNOTAVAILABLE for a class
// no row serves. A failed class-object creation is passed on and retried by the next call.
[[nodiscard]] HRESULT LookUpClassObject(ModuleState* state, REFCLSID rclsid, REFIID riid, void** ppv) noexcept;

// Releases the cached class objects, deletes the module's locks and destroys its heap, last.
HRESULT ShutDownModule(ModuleState* state) noexcept;

}  // namespace quenvar
