// Local memory: fixed blocks only, so the handle is the pointer itself.
#include "platform/Win32.h"

#include "linux/edge/FaultGate.h"

#include <cstdlib>

extern "C" {

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes)
{
    DWORD error = ERROR_SUCCESS;
    if (quenvar::platform::FaultInjected("LocalAlloc", &error)) {
        SetLastError(error);
        return nullptr;
    }
    // malloc(0) may answer NULL; the platform answers a valid block.
    const SIZE_T size = bytes == 0 ? 1 : bytes;
    void* block = (flags & LMEM_ZEROINIT) ? std::calloc(1, size) : std::malloc(size);
    if (block == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return block;
}

HLOCAL WINAPI LocalFree(HLOCAL memory)
{
    std::free(memory);
    return nullptr;
}

}  // extern "C"
