// Test-only control of the platform layer: make a chosen call of a named platform function fail
// the way that function fails on the platform (NULL or FALSE or an error code, plus the last
// error), and switch the process's ANSI code page. Product code never includes this header.
#pragma once

#include "platform/Win32.h"

#include <initializer_list>

namespace quenvar::testing {

// Arms the nth call (1 = the next one) of `function`, named as the Win32 function, to fail with
// `error`. Several functions may be armed at once; each fires once.
void ArmFault(const char* function, unsigned nth, DWORD error);
// Whether the fault armed for `function` has fired since it was armed.
bool FaultFired(const char* function);
void DisarmFaults();

// Arms a sweep over a whole operation: the calls of every function in `functions` are counted
// together, and the nth of them (1 = the next) fails with `error`, once. Arming it again starts
// a new count. Independent of the faults armed by name; DisarmFaults ends it too.
void ArmSweep(std::initializer_list<const char*> functions, unsigned nth, DWORD error);
// The function whose call the sweep failed, or nullptr while it has not fired.
const char* SweepFiredIn();

// Disarms every fault when it goes out of scope, so a failing assertion cannot leak one.
class ScopedFault {
public:
    ScopedFault(const char* function, unsigned nth, DWORD error) { ArmFault(function, nth, error); }
    ~ScopedFault() { DisarmFaults(); }
    ScopedFault(const ScopedFault&) = delete;
    ScopedFault& operator=(const ScopedFault&) = delete;
};

// 1252 (the default) or 932; answers false for any other code page.
bool SetAnsiCodePage(UINT codePage);

// Restores code page 1252 when it goes out of scope.
class ScopedAnsiCodePage {
public:
    explicit ScopedAnsiCodePage(UINT codePage) { SetAnsiCodePage(codePage); }
    ~ScopedAnsiCodePage() { SetAnsiCodePage(1252); }
    ScopedAnsiCodePage(const ScopedAnsiCodePage&) = delete;
    ScopedAnsiCodePage& operator=(const ScopedAnsiCodePage&) = delete;
};

}  // namespace quenvar::testing
