// The armed-fault table behind FaultInjected and the test-only arming API.
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
        std::strncpy(fault->function, function, sizeof fault->function - 1);
        fault->function[sizeof fault->function - 1] = '\0';
    }
    fault->callsLeft = nth;
    fault->error = error;
    fault->fired = false;
    platform::faultsArmed.store(true, std::memory_order_relaxed);
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
    platform::faultsArmed.store(false, std::memory_order_relaxed);
}

}  // namespace quenvar::testing
