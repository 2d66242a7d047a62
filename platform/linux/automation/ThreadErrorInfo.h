// The calling thread's error object, as the dispatch engine sees it from inside the platform.
// SetErrorInfo and GetErrorInfo own it.
#pragma once

#include "platform/Win32.h"

namespace quenvar::platform {

// Constant-initialised, so that reading it takes no initialisation check, and in the static TLS
// block, so that finding it takes no call: eight bytes, which fit the room the loader keeps for
// libraries opened late, should this one be.
extern constinit thread_local IErrorInfo* threadErrorInfo [[gnu::tls_model("initial-exec")]];

// SetErrorInfo(0, nullptr), with nothing to do while the thread holds no error object, as it
// almost always does when a call is dispatched.
inline void ClearErrorInfo() noexcept
{
    if (threadErrorInfo != nullptr) SetErrorInfo(/*reserved=*/0, nullptr);
}

}  // namespace quenvar::platform
