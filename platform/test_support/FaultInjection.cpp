// The armed-fault table and the sweep, and the hook through which the library's fault gates
// consult them while a fault is armed.
#include "platform/test_support/FaultInjection.h"

#include "linux/edge/TestHooks.h"

#include <array>
#include <cstring>
#include <mutex>

namespace quenvar::testing {
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

}  // namespace

void ArmFault(const char* function, unsigned nth, DWORD error)
{
    std::lock_guard guard(faultTableLock);
    ArmedFault* fault = FindFault(function);
    if (fault == nullptr) {
        if (armedCount == kMaxArmedFaults) return;
        fault = &faultTable[armedCount++];
        CopyName(fault->function, function);
    }
    fault->callsLeft = nth;
    fault->error = error;
    fault->fired = false;
    QuenvarTestSetFaultHook(&TakeFault);
}

void ArmSweep(std::initializer_list<const char*> functions, unsigned nth, DWORD error)
{
    std::lock_guard guard(faultTableLock);
    sweep.functionCount = 0;
    for (const char* function : functions) {
        if (sweep.functionCount == Sweep::kMaxFunctions) break;
        CopyName(sweep.functions[sweep.functionCount++], function);
    }
    sweep.callsLeft = nth;
    sweep.error = error;
    sweep.fired = nullptr;
    QuenvarTestSetFaultHook(&TakeFault);
}

const char* SweepFiredIn()
{
    std::lock_guard guard(faultTableLock);
    return sweep.fired;
}

bool FaultFired(const char* function)
{
    std::lock_guard guard(faultTableLock);
    const ArmedFault* fault = FindFault(function);
    return fault != nullptr && fault->fired;
}

void DisarmFaults()
{
    std::lock_guard guard(faultTableLock);
    armedCount = 0;
    sweep.callsLeft = 0;
    QuenvarTestSetFaultHook(nullptr);
}

}  // namespace quenvar::testing
