// Interlocked arithmetic: sequentially consistent read-modify-write operations. Every object's
// creation and release makes four; while the process has one thread, one unlocked instruction
// does each, without the bus lock that costs more than the rest of an AddRef. Being one
// instruction, it is not torn by a signal handler on the same thread.
#include "platform/Win32.h"

#include "linux/edge/OnlyThread.h"

namespace {

LONG Add(LONG volatile* addend, LONG delta)
{
#if defined(__x86_64__) || defined(__i386__)
    if (quenvar::platform::OnlyThread()) {
        LONG old = delta;
        asm volatile("xaddl %0, %1" : "+r"(old), "+m"(*addend) : : "memory");
        return old + delta;
    }
#endif
    return __atomic_add_fetch(addend, delta, __ATOMIC_SEQ_CST);
}

}  // namespace

extern "C" {

LONG WINAPI InterlockedIncrement(LONG volatile* addend) noexcept { return Add(addend, 1); }

LONG WINAPI InterlockedDecrement(LONG volatile* addend) noexcept { return Add(addend, -1); }

}  // extern "C"
