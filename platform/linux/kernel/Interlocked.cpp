// Interlocked arithmetic: sequentially consistent read-modify-write operations.
#include "platform/Win32.h"

extern "C" {

LONG WINAPI InterlockedIncrement(LONG volatile* addend) noexcept
{
    return __atomic_add_fetch(addend, 1, __ATOMIC_SEQ_CST);
}

LONG WINAPI InterlockedDecrement(LONG volatile* addend) noexcept
{
    return __atomic_sub_fetch(addend, 1, __ATOMIC_SEQ_CST);
}

}  // extern "C"
