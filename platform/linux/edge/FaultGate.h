// The gate at the top of every injectable platform function: one relaxed atomic load while no
// test has armed a fault.
#pragma once

#include "platform/Win32.h"

#include <atomic>

namespace quenvar::platform {

extern std::atomic<bool> faultsArmed;

// Counts this call of `function` and answers true, with the armed error, when it is to fail.
bool TakeFault(const char* function, DWORD* error);

inline bool FaultInjected(const char* function, DWORD* error)
{
    return faultsArmed.load(std::memory_order_relaxed) && TakeFault(function, error);
}

}  // namespace quenvar::platform
