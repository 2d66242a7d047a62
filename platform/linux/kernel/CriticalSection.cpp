// Critical sections: the platform's lock protocol (LockWord.h) over the structure's own LockCount
// (-1 free, as the platform initialises it); the owner and recursion count are its own fields as
// the platform keeps them. Every object's creation and teardown enters one.
#include "platform/Win32.h"

#include "linux/edge/LockWord.h"
#include "linux/kernel/CurrentThread.h"

#include <atomic>

namespace {

constexpr LONG kFree = -1;

using SectionLock = quenvar::platform::LockWord<std::atomic_ref<LONG>, kFree>;

SectionLock Lock(LPCRITICAL_SECTION section) { return SectionLock(std::atomic_ref<LONG>(section->LockCount)); }

// Written only by the owner; read by any thread, which finds its own id there only if it owns it.
std::atomic_ref<HANDLE> Owner(LPCRITICAL_SECTION section) { return std::atomic_ref<HANDLE>(section->OwningThread); }

HANDLE CurrentThread()
{
    return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(quenvar::platform::CurrentThreadId()));
}

// Entered once more by the thread that owns it: true when that thread is `thread`.
bool EnterAgain(LPCRITICAL_SECTION section, HANDLE thread)
{
    if (Owner(section).load(std::memory_order_relaxed) != thread) return false;
    ++section->RecursionCount;
    return true;
}

void Own(LPCRITICAL_SECTION section, HANDLE thread)
{
    Owner(section).store(thread, std::memory_order_relaxed);
    section->RecursionCount = 1;
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
    if (EnterAgain(section, thread)) return;
    Lock(section).Take();
    Own(section, thread);
}

BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION section) noexcept
{
    const HANDLE thread = CurrentThread();
    if (EnterAgain(section, thread)) return TRUE;
    if (!Lock(section).TryTake()) return FALSE;
    Own(section, thread);
    return TRUE;
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section) noexcept
{
    if (--section->RecursionCount != 0) return;
    Owner(section).store(nullptr, std::memory_order_relaxed);
    Lock(section).Release();
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section) noexcept { *section = CRITICAL_SECTION{}; }

}  // extern "C"
