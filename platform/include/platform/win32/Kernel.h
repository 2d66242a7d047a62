// Kernel services: last error, interlocked arithmetic, critical sections, mutexes, thread-library
// calls.
#pragma once

#include "platform/win32/Types.h"

extern "C" {

DWORD WINAPI GetLastError() noexcept;
void WINAPI SetLastError(DWORD code) noexcept;

// Each answers the new value; the operation is a full barrier (on Linux, while the process has one
// thread, an unlocked instruction: nobody else can look).
LONG WINAPI InterlockedIncrement(LONG volatile* addend) noexcept;
LONG WINAPI InterlockedDecrement(LONG volatile* addend) noexcept;

// The platform's layout; on Linux LockCount is the lock word. Recursive for the owning thread.
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

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_TIMEOUT = 0x102;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// Mutexes, owned by one thread at a time and recursive for it. A named mutex is one object for
// every process of the user: its handles in other processes wait for it too. A second
// CreateMutexA of a name already open answers a new handle to the same mutex with the last error
// ERROR_ALREADY_EXISTS (and takes no ownership); NULL is an unnamed mutex of the process. The
// ownership of a process that ends is released (it is never reported as abandoned).
// Security attributes are accepted and ignored.
HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name) noexcept;
// For a mutex handle: WAIT_OBJECT_0 once the calling thread owns it (again), WAIT_TIMEOUT when
// `milliseconds` (INFINITE: no limit) pass first, WAIT_FAILED with ERROR_INVALID_HANDLE for a
// handle that is not one.
DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) noexcept;
// Undoes one wait of the owning thread; FALSE with ERROR_NOT_OWNER for any other thread.
BOOL WINAPI ReleaseMutex(HANDLE mutex) noexcept;
// Closes a mutex handle; the mutex goes with its last handle. FALSE with ERROR_INVALID_HANDLE for
// anything else.
BOOL WINAPI CloseHandle(HANDLE handle) noexcept;

}  // extern "C"
