// Critical sections: a recursive mutex kept behind the platform's structure, with the owner and
// recursion count maintained in the structure's own fields as the platform does.
#include "platform/Win32.h"

#include <mutex>
#include <new>

namespace {

std::recursive_mutex* LockOf(LPCRITICAL_SECTION section)
{
    return static_cast<std::recursive_mutex*>(section->LockSemaphore);
}

}  // namespace

extern "C" {

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section) noexcept
{
    *section = CRITICAL_SECTION{};
    section->LockCount = -1;
    // The platform's initialisation cannot fail; running out of memory here is fatal there too.
    section->LockSemaphore = new std::recursive_mutex;  // NOLINT(bugprone-unhandled-exception-at-new)
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section) noexcept
{
    LockOf(section)->lock();
    section->OwningThread = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(GetCurrentThreadId()));
    ++section->RecursionCount;
}

BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION section) noexcept
{
    if (!LockOf(section)->try_lock()) return FALSE;
    section->OwningThread = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(GetCurrentThreadId()));
    ++section->RecursionCount;
    return TRUE;
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section) noexcept
{
    if (--section->RecursionCount == 0) section->OwningThread = nullptr;
    LockOf(section)->unlock();
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section) noexcept
{
    delete LockOf(section);
    *section = CRITICAL_SECTION{};
}

}  // extern "C"
