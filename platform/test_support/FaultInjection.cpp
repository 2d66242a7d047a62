// The armed-fault table and the sweep behind FaultInjected, and the test-only arming API.
#include "platform/test_support/FaultInjection.h"

#include "linux/edge/FaultGate.h"

#include <array>
#include <cstring>
#include <mutex>

namespace quenvar::platform {

std::atomic<bool> faultsArmed{false};

namespace {

struct ArmedFault {
    char function[64];
    unsigned callsLeft;  // 0 once fired
    DWORD error;
    bool fired;
};

constexpr std::size_t kMaxArmedFaults = 16;
std::mutex faultTableLock;
std::array<ArmedFault, kMaxArmedFaults> faultTable;
std::size_t armedCount = 0;

// One count over a set of functions; `fired` names the one whose call failed.
struct Sweep {
    static constexpr std::size_t kMaxFunctions = 32;
    char functions[kMaxFunctions][64];
    std::size_t functionCount;
    unsigned callsLeft;  // 0 once fired or when not armed
    DWORD error;
    const char* fired;
};

Sweep sweep;

// The sweep's copy of the name when it counts `function`, else nullptr.
const char* CountedBySweep(const char* function)
{
    for (std::size_t i = 0; i < sweep.functionCount; ++i) {
        if (std::strcmp(sweep.functions[i], function) == 0) return sweep.functions[i];
    }
    return nullptr;
}

void CopyName(char (&target)[64], const char* name)
{
    std::strncpy(target, name, sizeof target - 1);
    target[sizeof target - 1] = '\0';
}

ArmedFault* FindFault(const char* function)
{
    for (std::size_t i = 0; i < armedCount; ++i) {
        if (std::strcmp(faultTable[i].function, function) == 0) return &faultTable[i];
    }
    return nullptr;
}

}  // namespace

bool TakeFault(const char* function, DWORD* error)
{
    std::lock_guard guard(faultTableLock);
    if (sweep.callsLeft != 0) {
        if (const char* name = CountedBySweep(function); name != nullptr && --sweep.callsLeft == 0) {
            sweep.fired = name;
            *error = sweep.error;
            return true;
        }
    }
    ArmedFault* fault = FindFault(function);
    if (fault == nullptr || fault->callsLeft == 0) return false;
    if (--fault->callsLeft != 0) return false;
    fault->fired = true;
    *error = fault->error;
    return true;
}

}  // namespace quenvar::platform

namespace quenvar::testing {

using platform::faultTableLock;

void ArmFault(const char* function, unsigned nth, DWORD error)
{
    std::lock_guard guard(faultTableLock);
    platform::ArmedFault* fault = platform::FindFault(function);
    if (fault == nullptr) {
        if (platform::armedCount == platform::kMaxArmedFaults) return;
        fault = &platform::faultTable[platform::armedCount++];
        platform::CopyName(fault->function, function);
    }
    fault->callsLeft = nth;
    fault->error = error;
    fault->fired = false;
    platform::faultsArmed.store(true, std::memory_order_relaxed);
}

void ArmSweep(std::initializer_list<const char*> functions, unsigned nth, DWORD error)
{
    std::lock_guard guard(faultTableLock);
    platform::Sweep& sweep = platform::sweep;
    sweep.functionCount = 0;
    for (const char* function : functions) {
        if (sweep.functionCount == platform::Sweep::kMaxFunctions) break;
        platform::CopyName(sweep.functions[sweep.functionCount++], function);
    }
    sweep.callsLeft = nth;
    sweep.error = error;
    sweep.fired = nullptr;
    platform::faultsArmed.store(true, std::memory_order_relaxed);
}

const char* SweepFiredIn()
{
    std::lock_guard guard(faultTableLock);
    return platform::sweep.fired;
}

bool FaultFired(const char* function)
{
    std::lock_guard guard(faultTableLock);
    const platform::ArmedFault* fault = platform::FindFault(function);
    return fault != nullptr && fault->fired;
}

void DisarmFaults()
{
    std::lock_guard guard(faultTableLock);
    platform::armedCount = 0;
    platform::sweep.callsLeft = 0;
    platform::faultsArmed.store(false, std::memory_order_relaxed);
}

}  // namespace quenvar::testing
