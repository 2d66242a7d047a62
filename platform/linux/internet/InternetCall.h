// What every Internet function does at its start and on its way out: the fault gate, the
// clearing of the thread's last response text, and the conversion of C++ failures at the
// boundary into the platform's failure contract.
#pragma once

#include "platform/Win32.h"

#include "linux/edge/FaultGate.h"

#include <exception>
#include <new>

namespace quenvar::platform {

// Forgets the text left by the thread's last extended error.
void ClearLastResponse();

// Fails an injected call: the last error, and for ERROR_INTERNET_EXTENDED_ERROR the text that a
// test armed, as the thread's last response text.
void FailInjectedCall(DWORD error);

// The time-outs in force for a send that starts now, in milliseconds.
DWORD ConnectTimeoutMs();
DWORD ReceiveTimeoutMs();

// Runs `body` for the function `name`: a fired fault answers `failure` at once; otherwise the
// thread's response text is cleared, and an exception inside answers `failure` with
// ERROR_NOT_ENOUGH_MEMORY (or ERROR_INTERNET_INTERNAL_ERROR when it is not about memory).
template <typename Result, typename Body>
Result InternetCall(const char* name, Result failure, Body body) noexcept
{
    DWORD error = ERROR_SUCCESS;
    if (FaultInjected(name, &error)) {
        FailInjectedCall(error);
        return failure;
    }
    try {
        ClearLastResponse();
        return body();
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return failure;
    } catch (const std::exception&) {
        SetLastError(ERROR_INTERNET_INTERNAL_ERROR);
        return failure;
    }
}

// Fails the call with `error`.
template <typename Result>
Result Fail(Result failure, DWORD error)
{
    SetLastError(error);
    return failure;
}

}  // namespace quenvar::platform
