// The registrar's entry: applies the registry script that a module carries as a resource of
// type "REGISTRY" to the registry, registering or removing the module's entries.
//
//   HRESULT hr = RunRegistryScript(theModule, 101, /*registering=*/TRUE, nullptr);
#pragma once

#include "module/ModuleState.h"
#include "registrar/KeyTree.h"
#include "registrar/ReplacementMap.h"

namespace quenvar {

// A variable for the script beyond "Module"; a list of them ends with a null name.
struct ScriptVariable {
    LPCOLESTR name;
    LPCOLESTR value;
};

// Runs resource `resourceId` (its low 16 bits) of type "REGISTRY" of the module file of
// `module.moduleInstance`, with %MODULE% standing for that file's full path and the optional
// `extraVariables` added after it. Answers the script's result (DISP_E_EXCEPTION for any syntax
// error or fatal registry failure), or the failure to find the module file or to load the
// resource: the platform's error as an HRESULT, E_FAIL when it reports none. A module path of
// MAX_PATH characters or more is refused rather than registered cut short.
[[nodiscard]] HRESULT RunRegistryScript(const ModuleState& module, UINT resourceId, BOOL registering,
                                        const ScriptVariable* extraVariables) noexcept;

// Loads the module file as data, finds resource `resourceId` of `type` and runs its text (up to
// its first NUL or its end) through ProcessScript with `replacements`.
[[nodiscard]] HRESULT RunScriptResource(const ReplacementMap& replacements, LPCOLESTR moduleFileName, WORD resourceId,
                                        LPCSTR type, ScriptMode mode) noexcept;

}  // namespace quenvar
