// The calling thread's id, asked of the kernel once per thread and read inline by the kernel
// area's own callers: every critical section's entry wants it.
#pragma once

#include "platform/Win32.h"

namespace quenvar::platform {

// 0 until the thread first asks; forgotten in the child of a fork, which runs on a new id.
extern constinit thread_local DWORD currentThreadId;

DWORD AskCurrentThreadId() noexcept;

inline DWORD CurrentThreadId() noexcept
{
    const DWORD id = currentThreadId;
    return id != 0 ? id : AskCurrentThreadId();
}

}  // namespace quenvar::platform
