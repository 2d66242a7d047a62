// The HRESULT of a Win32 call that just failed, read on the line after it.
#pragma once

#include "platform/Win32.h"

namespace quenvar {

// The last error as an HRESULT; E_FAIL when the failure left no code, which must not read as S_OK.
[[nodiscard]] inline HRESULT LastErrorResult() noexcept
{
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

}  // namespace quenvar
