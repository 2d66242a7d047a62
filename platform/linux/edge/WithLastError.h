// How a function whose contract reports through the thread's last error answers: the error left
// first, then the result. Failures leave their code; a success that must clear a stale code
// leaves ERROR_SUCCESS.
#pragma once

#include "platform/Win32.h"

namespace quenvar::platform {

template <typename Result>
Result WithLastError(DWORD error, Result result) noexcept
{
    SetLastError(error);
    return result;
}

}  // namespace quenvar::platform
