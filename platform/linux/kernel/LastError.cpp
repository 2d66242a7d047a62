// The per-thread last-error value.
#include "platform/Win32.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}  // namespace

extern "C" {

DWORD WINAPI GetLastError() noexcept { return lastError; }

void WINAPI SetLastError(DWORD code) noexcept { lastError = code; }

}  // extern "C"
