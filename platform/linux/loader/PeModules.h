// Windows DLLs loaded to run: each mapped once, whatever the number of loads, with its sections'
// own protections, relocated, its imports bound to the platform, and DllMain called on the first
// load and the last free. The module handle is the image's base, as on Windows.
#pragma once

#include "platform/Win32.h"

#include <string>

namespace quenvar::platform {

// Whether the file starts like a Windows image ("MZ"); false when it cannot be read.
bool IsPeFile(LPCSTR fileName);
// Answers the Win32 error of the load, or ERROR_SUCCESS with the module. A failure other than the
// file's absence also prints why on the standard error, as the Windows loader tells its user.
DWORD LoadPeModule(LPCSTR fileName, HMODULE& module);
bool IsPeModule(HMODULE module);
// ERROR_INVALID_HANDLE for a module that LoadPeModule did not load.
DWORD FreePeModule(HMODULE module);
// The module's export of that name; null with ERROR_PROC_NOT_FOUND otherwise.
void* FindPeExport(HMODULE module, LPCSTR name, DWORD& error);
// The module whose image holds `address`, or null.
HMODULE PeModuleAt(const void* address);
// The absolute path of a loaded module's file; false when `module` is not one.
bool PeModulePath(HMODULE module, std::string& path);
// One more load of a module already loaded (GetModuleHandleEx without UNCHANGED_REFCOUNT).
void AddPeModuleReference(HMODULE module);

}  // namespace quenvar::platform
