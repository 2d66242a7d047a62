// Kernel services: last error, interlocked arithmetic, critical sections, thread-library calls.
#pragma once

#include "platform/win32/Types.h"

extern "C" {

DWORD WINAPI GetLastError() noexcept;
void WINAPI SetLastError(DWORD code) noexcept;

// Each answers the new value; the operation is a full barrier.
LONG WINAPI InterlockedIncrement(LONG volatile* addend) noexcept;
LONG WINAPI InterlockedDecrement(LONG volatile* addend) noexcept;
LONG WINAPI InterlockedCompareExchange(LONG volatile* destination, LONG exchange, LONG comparand) noexcept;

// The platform's layout; a Linux lock lives behind LockSemaphore. Recursive for the owning thread.
struct CRITICAL_SECTION {
    void* DebugInfo;
    LONG LockCount;
    LONG RecursionCount;
    HANDLE OwningThread;
    HANDLE LockSemaphore;
    ULONG_PTR SpinCount;
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section) noexcept;
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section) noexcept;
BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION section) noexcept;
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section) noexcept;
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section) noexcept;

BOOL WINAPI DisableThreadLibraryCalls(HMODULE module) noexcept;

// The reasons a module's entry point is called for.
constexpr DWORD DLL_PROCESS_DETACH = 0;
constexpr DWORD DLL_PROCESS_ATTACH = 1;
constexpr DWORD DLL_THREAD_ATTACH = 2;
constexpr DWORD DLL_THREAD_DETACH = 3;

DWORD WINAPI GetCurrentThreadId() noexcept;
void WINAPI Sleep(DWORD milliseconds) noexcept;

}  // extern "C"
