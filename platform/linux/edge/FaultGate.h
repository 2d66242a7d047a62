// The gate at the top of every fallible platform function: one load while no test has installed a
// fault hook (TestHooks.h), which decides which calls fail.
#pragma once

#include "platform/Win32.h"

#include "linux/edge/TestHooks.h"

#include <atomic>

namespace quenvar::platform {

extern std::atomic<QuenvarFaultHook> faultHook;

// Whether a test has installed a hook: a fast path that skips the gate is only taken without one.
inline bool FaultHookInstalled() { return faultHook.load(std::memory_order_acquire) != nullptr; }

// Whether this call of `function` is to fail, and with which error.
inline bool FaultInjected(const char* function, DWORD* error)
{
    const QuenvarFaultHook hook = faultHook.load(std::memory_order_acquire);
    return hook != nullptr && hook(function, error);
}

}  // namespace quenvar::platform
