// The COM task allocator.
#include "platform/Win32.h"

#include "linux/edge/Boundary.h"

#include <cstdlib>

// The task allocator answers NULL and leaves the last error alone.
constexpr quenvar::platform::ReturnsOnly<LPVOID> kTaskMemoryFailure{nullptr};

extern "C" {

LPVOID STDAPICALLTYPE CoTaskMemAlloc(SIZE_T bytes) noexcept
{
    return quenvar::platform::Boundary("CoTaskMemAlloc", kTaskMemoryFailure,
                                       [&]() -> LPVOID { return std::malloc(bytes == 0 ? 1 : bytes); });
}

LPVOID STDAPICALLTYPE CoTaskMemRealloc(LPVOID block, SIZE_T bytes) noexcept
{
    if (block != nullptr && bytes == 0) {
        std::free(block);
        return nullptr;
    }
    return quenvar::platform::Boundary("CoTaskMemRealloc", kTaskMemoryFailure,
                                       [&]() -> LPVOID { return std::realloc(block, bytes == 0 ? 1 : bytes); });
}

void STDAPICALLTYPE CoTaskMemFree(LPVOID block) noexcept { std::free(block); }

}  // extern "C"
