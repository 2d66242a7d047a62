// The COM task allocator.
#include "platform/Win32.h"

#include "linux/edge/FaultGate.h"

#include <cstdlib>

extern "C" {

LPVOID STDAPICALLTYPE CoTaskMemAlloc(SIZE_T bytes)
{
    DWORD error = ERROR_SUCCESS;
    if (quenvar::platform::FaultInjected("CoTaskMemAlloc", &error)) return nullptr;
    return std::malloc(bytes == 0 ? 1 : bytes);
}

LPVOID STDAPICALLTYPE CoTaskMemRealloc(LPVOID block, SIZE_T bytes)
{
    if (block != nullptr && bytes == 0) {
        std::free(block);
        return nullptr;
    }
    DWORD error = ERROR_SUCCESS;
    if (quenvar::platform::FaultInjected("CoTaskMemRealloc", &error)) return nullptr;
    return std::realloc(block, bytes == 0 ? 1 : bytes);
}

void STDAPICALLTYPE CoTaskMemFree(LPVOID block) { std::free(block); }

}  // extern "C"
