// Libraries loaded to run: the dynamic loader's handles behind LoadLibraryA, keyed by the load
// address that serves as the module handle, and the paths of loaded modules.
#pragma once

#include "platform/Win32.h"

#include <string>

namespace quenvar::platform {

// Answers the Win32 error of the platform's load, or ERROR_SUCCESS with the load address.
DWORD LoadSharedObject(LPCSTR fileName, HMODULE& module);
enum class ModuleReference { Unchanged, Add, Pin };

// The load address of a module already loaded: by its name (null: the executable) or by an
// address inside it. With ModuleReference::Add the caller frees it like a load; a pinned module
// is never unloaded. ERROR_MOD_NOT_FOUND when no such module is loaded.
DWORD FindLoadedModule(LPCSTR nameOrAddress, bool fromAddress, ModuleReference reference, HMODULE& module);
// ERROR_INVALID_HANDLE for a module that LoadSharedObject did not load.
DWORD FreeSharedObject(HMODULE module);
// The module's own export of that name; null with the error to report otherwise.
void* FindExport(HMODULE module, LPCSTR name, DWORD& error);
// The absolute path of any module mapped in the process (null: the executable); false when
// `module` is not a module's load address.
bool LoadedModulePath(HMODULE module, std::string& path);

}  // namespace quenvar::platform
