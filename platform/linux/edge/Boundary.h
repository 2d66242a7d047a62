// The frame of every platform function a caller outside the library can reach: the fault gate,
// then the body, with no C++ exception crossing to the caller. A contract says how the function
// reports failure, so that an injected fault and a C++ failure answer the way the function's own
// failures do.
#pragma once

#include "platform/Win32.h"

#include "linux/edge/FaultGate.h"
#include "linux/edge/WithLastError.h"

#include <new>
#include <utility>

namespace quenvar::platform {

// ERROR_INTERNAL_ERROR: a C++ failure that is not about memory.
inline constexpr DWORD kInternalError = 1359;

// Functions that answer `value` (FALSE, NULL, 0) and leave the error in the thread's last error.
template <typename Result>
struct SetsLastError {
    Result value;
    DWORD outOfMemory = ERROR_NOT_ENOUGH_MEMORY;
    DWORD unexpected = kInternalError;

    Result Fail(DWORD error) const noexcept { return WithLastError(error, value); }
};

// Functions that answer a Win32 error code (the registry's LONG results).
struct ReturnsErrorCode {
    DWORD outOfMemory = ERROR_OUTOFMEMORY;
    DWORD unexpected = kInternalError;

    LONG Fail(DWORD error) const noexcept { return static_cast<LONG>(error); }
};

// Functions that answer an HRESULT; a Win32 code becomes its HRESULT, an HRESULT stays itself.
struct ReturnsHResult {
    DWORD outOfMemory = static_cast<DWORD>(E_OUTOFMEMORY);
    DWORD unexpected = static_cast<DWORD>(E_UNEXPECTED);

    HRESULT Fail(DWORD error) const noexcept { return HRESULT_FROM_WIN32(error); }
};

// Functions whose only failure signal is `value` (the BSTR and task-memory allocators).
template <typename Result>
struct ReturnsOnly {
    Result value;
    DWORD outOfMemory = ERROR_NOT_ENOUGH_MEMORY;
    DWORD unexpected = kInternalError;

    Result Fail(DWORD) const noexcept { return value; }
};

// Runs `body` with no C++ exception leaving it: running out of memory, or any other exception,
// fails it with the contract's code. The frame of the methods of the platform's own COM objects
// and of the helpers behind them, which a test cannot arm by a Win32 function's name.
template <typename Contract, typename Body>
auto Boundary(const Contract& contract, Body&& body) noexcept -> decltype(body())
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return contract.Fail(contract.outOfMemory);
    } catch (...) {
        return contract.Fail(contract.unexpected);
    }
}

// Runs `body` as the exported function `name`: a fault armed for `name` fails the call at once
// with the armed error; otherwise as above. With no fault armed the gate is one acquire load of
// the hook (FaultGate.h), and the try block costs nothing until thrown.
template <typename Contract, typename Body>
auto Boundary(const char* name, const Contract& contract, Body&& body) noexcept -> decltype(body())
{
    DWORD injected = ERROR_SUCCESS;
    if (FaultInjected(name, &injected)) return contract.Fail(injected);
    return Boundary(contract, std::forward<Body>(body));
}

}  // namespace quenvar::platform
