// Self-registration: the class entries from the module's registry script, then the type library
// the module carries (or the ".tlb" file beside it).
#pragma once

#include "module/ModuleState.h"

namespace quenvar {

// The first failing row's answer (later rows and the type library are then left alone), else the
// type library registration's answer when registerTypeLibrary is set.
[[nodiscard]] HRESULT RegisterClasses(ModuleState* state, BOOL registerTypeLibrary) noexcept;
// Removes every row's entries, whatever each removal answers; the type library stays registered.
HRESULT UnregisterClasses(ModuleState* state) noexcept;
// Loads the type library from the module file, else from the same path ending in ".tlb", and
// registers it with the module's directory as help directory.
[[nodiscard]] HRESULT RegisterOwnTypeLibrary(ModuleState* state) noexcept;

}  // namespace quenvar
