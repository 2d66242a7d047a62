// The per-thread last-error value, and the thread services that need no state.
#include "platform/Win32.h"

#include <chrono>
#include <thread>
#include <unistd.h>
#include <sys/syscall.h>

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

extern "C" {

DWORD WINAPI GetLastError() { return lastError; }

void WINAPI SetLastError(DWORD code) { lastError = code; }

DWORD WINAPI GetCurrentThreadId() { return static_cast<DWORD>(::syscall(SYS_gettid)); }

void WINAPI Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

// Linux has no thread attach notifications to switch off; the call only validates its handle.
BOOL WINAPI DisableThreadLibraryCalls(HMODULE module)
{
    if (module == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
