// Runs one whole operation again and again, failing the kth fallible platform call (heap, BSTR,
// task memory, registry) in run k, until a run goes through without meeting the fault. Each run is
// then checked with the fault disarmed, so the check itself allocates and reads freely.
#pragma once

#include "platform/test_support/FaultInjection.h"

#include <gtest/gtest.h>

#include <string>

namespace quenvar::testing {

// RegCloseKey is left out: a close that fails keeps its handle open, so a sweep through it would
// only count handles that the test itself made it leave.
inline void ArmAllocationSweep(unsigned nth)
{
    ArmSweep({"HeapCreate",       "HeapAlloc",         "HeapReAlloc",           "LocalAlloc",
              "SysAllocString",   "SysAllocStringLen", "SysAllocStringByteLen", "CoTaskMemAlloc",
              "CoTaskMemRealloc", "RegOpenKeyExA",     "RegCreateKeyExA",       "RegDeleteKeyA",
              "RegEnumKeyExA",    "RegQueryInfoKeyA",  "RegSetValueExA",        "RegQueryValueExA",
              "RegEnumValueA",    "RegDeleteValueA",   "RegOpenKeyExW",         "RegCreateKeyExW",
              "RegDeleteKeyW",    "RegEnumKeyExW",     "RegSetValueExW",        "RegQueryValueExW"},
             nth, ERROR_NOT_ENOUGH_MEMORY);
}

// Calls prepare(), then operation() with the kth call armed, then check(result, failedIn) where
// failedIn names the function that failed (nullptr in the last, untouched run), for k = 1, 2, ...
// Stops after the untouched run or at the first run whose check failed; answers the number of
// runs that met a fault.
template <typename Prepare, typename Operation, typename Check>
unsigned SweepAllocations(Prepare prepare, Operation operation, Check check)
{
    constexpr unsigned kMostRuns = 100000;
    for (unsigned k = 1; k <= kMostRuns; ++k) {
        prepare();
        ArmAllocationSweep(k);
        const auto result = operation();
        const char* failedIn = SweepFiredIn();
        DisarmFaults();
        SCOPED_TRACE("call " + std::to_string(k) + " failed: " + (failedIn != nullptr ? failedIn : "none"));
        check(result, failedIn);
        if (failedIn == nullptr || ::testing::Test::HasFailure()) return k - 1;
    }
    ADD_FAILURE() << "the operation never ran through untouched";
    return kMostRuns;
}

}  // namespace quenvar::testing
