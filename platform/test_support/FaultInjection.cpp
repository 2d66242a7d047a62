// The armed-fault table, and the hook through which the library's fault gates consult it while
// a fault is armed.
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
        std::strncpy(fault->function, function, sizeof fault->function - 1);
        fault->function[sizeof fault->function - 1] = '\0';
    }
    fault->callsLeft = nth;
    fault->error = error;
    fault->fired = false;
    QuenvarTestSetFaultHook(&TakeFault);
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
    QuenvarTestSetFaultHook(nullptr);
}

}  // namespace quenvar::testing
