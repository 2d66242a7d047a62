// What every Internet function does at its start and on its way out: the edge's boundary with
// the Internet client's failure contract, and the clearing of the thread's last response text.
#pragma once

#include "platform/Win32.h"

#include "linux/edge/Boundary.h"

namespace quenvar::platform {

// The error of the thread's last response, ERROR_SUCCESS when it left none (as nearly always).
extern constinit thread_local DWORD lastResponseError;

// Forgets the error and text left by the thread's last extended error.
void ForgetLastResponse();

// As every Internet call starts: checked inline, since there is rarely anything to forget.
inline void ClearLastResponse()
{
    if (lastResponseError != ERROR_SUCCESS) ForgetLastResponse();
}

// Fails an injected call: the last error, and for ERROR_INTERNET_EXTENDED_ERROR the text that a
// test armed, as the thread's last response text.
void FailInjectedCall(DWORD error);

// The time-outs in force for a send that starts now, in milliseconds.
DWORD ConnectTimeoutMs();
DWORD ReceiveTimeoutMs();

// Internet functions answer `value` and leave the error in the last error; an injected
// ERROR_INTERNET_EXTENDED_ERROR leaves the armed response text too.
template <typename Result>
struct InternetFailure {
    Result value;
    DWORD outOfMemory = ERROR_NOT_ENOUGH_MEMORY;
    DWORD unexpected = ERROR_INTERNET_INTERNAL_ERROR;

    Result Fail(DWORD error) const noexcept
    {
        FailInjectedCall(error);
        return value;
    }
};

// Runs `body` for the function `name` within the edge's boundary, the thread's response text
// cleared first.
template <typename Result, typename Body>
Result InternetCall(const char* name, Result failure, Body body) noexcept
{
    return Boundary(name, InternetFailure<Result>{failure}, [&]() -> Result {
        ClearLastResponse();
        return body();
    });
}

}  // namespace quenvar::platform
