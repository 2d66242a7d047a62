// Critical sections: the lock word is the structure's own LockCount (-1 free, as the platform
// initialises it), the owner and recursion count are its own fields as the platform keeps them.
// Every object's creation and teardown enters one: free, entering and leaving cost one atomic
// instruction each (none while the process has one thread), where a recursive pthread mutex costs
// two calls and its type checks. A thread that finds it taken sleeps on the futex behind
// std::atomic_ref::wait until the owner leaves.
#include "platform/Win32.h"

#include "linux/edge/OnlyThread.h"
#include "linux/kernel/CurrentThread.h"

#include <atomic>

namespace {

constexpr LONG kFree = -1;
constexpr LONG kTaken = 0;
constexpr LONG kWaitedFor = 1;

std::atomic_ref<LONG> LockWord(LPCRITICAL_SECTION section) { return std::atomic_ref<LONG>(section->LockCount); }

// Written only by the owner; read by any thread, which finds its own id there only if it owns it.
std::atomic_ref<HANDLE> Owner(LPCRITICAL_SECTION section) { return std::atomic_ref<HANDLE>(section->OwningThread); }

HANDLE CurrentThread()
{
    return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(quenvar::platform::CurrentThreadId()));
}

bool TryTake(LPCRITICAL_SECTION section)
{
    if (quenvar::platform::OnlyThread() && LockWord(section).load(std::memory_order_relaxed) == kFree) {
        LockWord(section).store(kTaken, std::memory_order_relaxed);
        return true;
    }
    LONG expected = kFree;
    return LockWord(section).compare_exchange_strong(expected, kTaken, std::memory_order_acquire);
}

void Own(LPCRITICAL_SECTION section, HANDLE thread)
{
    Owner(section).store(thread, std::memory_order_relaxed);
    section->RecursionCount = 1;
}

// Out of line, so that the free lock's path saves no registers for it.
[[gnu::noinline, gnu::cold]] void WaitAndOwn(LPCRITICAL_SECTION section, HANDLE thread)
{
    // Marked as waited for before sleeping, so that the owner's leave wakes a sleeper.
    while (LockWord(section).exchange(kWaitedFor, std::memory_order_acquire) != kFree) {
        LockWord(section).wait(kWaitedFor, std::memory_order_relaxed);
    }
    Own(section, thread);
}

}  // namespace

extern "C" {

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section) noexcept
{
    *section = CRITICAL_SECTION{};
    section->LockCount = kFree;
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section) noexcept
{
    const HANDLE thread = CurrentThread();
    if (Owner(section).load(std::memory_order_relaxed) == thread) {
        ++section->RecursionCount;
        return;
    }
    if (TryTake(section)) Own(section, thread);
    else WaitAndOwn(section, thread);
}

BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION section) noexcept
{
    const HANDLE thread = CurrentThread();
    if (Owner(section).load(std::memory_order_relaxed) == thread) {
        ++section->RecursionCount;
        return TRUE;
    }
    if (!TryTake(section)) return FALSE;
    Own(section, thread);
    return TRUE;
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section) noexcept
{
    if (--section->RecursionCount != 0) return;
    Owner(section).store(nullptr, std::memory_order_relaxed);
    if (quenvar::platform::OnlyThread()) {
        LockWord(section).store(kFree, std::memory_order_relaxed);
        return;
    }
    if (LockWord(section).exchange(kFree, std::memory_order_release) == kWaitedFor) LockWord(section).notify_one();
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section) noexcept { *section = CRITICAL_SECTION{}; }

}  // extern "C"
