// The per-thread last-error value, and the thread services that need no state.
#include "platform/Win32.h"

#include <chrono>
#include <pthread.h>
#include <thread>
#include <unistd.h>
#include <sys/syscall.h>

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;

// Asked of the kernel once per thread: every critical section's entry wants it, and a system
// call there cost more than the rest of a dispatched call. 0 means not asked yet.
thread_local DWORD threadId = 0;
// The child of a fork runs on a new thread id; the forking thread is the child's only thread.
void ForgetThreadId() { threadId = 0; }
const bool forkHandler = pthread_atfork(nullptr, nullptr, ForgetThreadId) == 0;
}  // namespace

extern "C" {

DWORD WINAPI GetLastError() noexcept { return lastError; }

void WINAPI SetLastError(DWORD code) noexcept { lastError = code; }

DWORD WINAPI GetCurrentThreadId() noexcept
{
    static_cast<void>(forkHandler);
    if (threadId == 0) threadId = static_cast<DWORD>(::syscall(SYS_gettid));
    return threadId;
}

void WINAPI Sleep(DWORD milliseconds) noexcept { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

// Linux has no thread attach notifications to switch off; the call only validates its handle.
BOOL WINAPI DisableThreadLibraryCalls(HMODULE module) noexcept
{
    if (module == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
