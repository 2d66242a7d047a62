// Local memory: fixed blocks only, so the handle is the pointer itself.
#include "platform/Win32.h"

#include "linux/edge/Boundary.h"
#include "linux/edge/WithLastError.h"

#include <cstdlib>

extern "C" {

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) noexcept
{
    constexpr quenvar::platform::SetsLastError<HLOCAL> failure{nullptr};
    return quenvar::platform::Boundary("LocalAlloc", failure, [&]() -> HLOCAL {
        // malloc(0) may answer NULL; the platform answers a valid block.
        const SIZE_T size = bytes == 0 ? 1 : bytes;
        void* block = (flags & LMEM_ZEROINIT) ? std::calloc(1, size) : std::malloc(size);
        if (block == nullptr) return quenvar::platform::WithLastError(ERROR_NOT_ENOUGH_MEMORY, block);
        return block;
    });
}

HLOCAL WINAPI LocalFree(HLOCAL memory) noexcept
{
    std::free(memory);
    return nullptr;
}

}  // extern "C"
