// Kernel services: last error, interlocked arithmetic, critical sections, mutexes, thread-library
// calls.
#pragma once

#include "platform/win32/Types.h"

extern "C" {

DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD code);

// Each answers the new value; the operation is a full barrier.
LONG WINAPI InterlockedIncrement(LONG volatile* addend);
LONG WINAPI InterlockedDecrement(LONG volatile* addend);
LONG WINAPI InterlockedExchange(LONG volatile* target, LONG value);
LONG WINAPI InterlockedCompareExchange(LONG volatile* destination, LONG exchange, LONG comparand);
PVOID WINAPI InterlockedCompareExchangePointer(PVOID volatile* destination, PVOID exchange, PVOID comparand);

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

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section);
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section);
BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION section);
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section);
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section);

BOOL WINAPI DisableThreadLibraryCalls(HMODULE module);

// The reasons a module's entry point is called for.
constexpr DWORD DLL_PROCESS_DETACH = 0;
constexpr DWORD DLL_PROCESS_ATTACH = 1;
constexpr DWORD DLL_THREAD_ATTACH = 2;
constexpr DWORD DLL_THREAD_DETACH = 3;

DWORD WINAPI GetCurrentThreadId();
void WINAPI Sleep(DWORD milliseconds);

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
HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);
// For a mutex handle: WAIT_OBJECT_0 once the calling thread owns it (again), WAIT_TIMEOUT when
// `milliseconds` (INFINITE: no limit) pass first, WAIT_FAILED with ERROR_INVALID_HANDLE for a
// handle that is not one.
DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// Undoes one wait of the owning thread; FALSE with ERROR_NOT_OWNER for any other thread.
BOOL WINAPI ReleaseMutex(HANDLE mutex);
// Closes a mutex handle; the mutex goes with its last handle. FALSE with ERROR_INVALID_HANDLE for
// anything else.
BOOL WINAPI CloseHandle(HANDLE handle);

}  // extern "C"
