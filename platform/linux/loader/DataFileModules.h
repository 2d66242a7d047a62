// Modules loaded as data files: the ".rsrc" bytes of the file and their resource entries, kept
// until FreeLibrary. A handle is the image's address with the low bit set, so it can never be
// taken for a loaded library's load address.
#pragma once

#include "linux/loader/ResourceDirectory.h"

namespace quenvar::platform {

struct DataFileImage {
    std::vector<BYTE> resources;
    bool hasResources = false;
    std::vector<ResourceEntry> entries;
    DataFileImage* next = nullptr;
};

bool IsDataFileHandle(HMODULE module);
// Reads the file; answers the Win32 error of the platform's data-file load, or ERROR_SUCCESS.
DWORD LoadDataFile(LPCSTR fileName, HMODULE& module);
// The image of a live data-file handle, or null. The image stays valid until FreeDataFile.
const DataFileImage* FindDataFile(HMODULE module);
// ERROR_INVALID_HANDLE for a handle that is not a live data file.
DWORD FreeDataFile(HMODULE module);

}  // namespace quenvar::platform
