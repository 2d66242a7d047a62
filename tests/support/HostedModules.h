// The server modules this build runs: its own Quenvar.so (QUENVAR_LIBRARY_PATH) and, in a
// Windows-convention build, the cross-built Quenvar.dll of the same machine (QUENVAR_HOSTED_DLL,
// empty elsewhere). End-to-end tests run once for each.
#pragma once

#include <string>
#include <vector>

namespace quenvar::testing {

inline std::vector<std::string> HostedModules()
{
    std::vector<std::string> modules{QUENVAR_LIBRARY_PATH};
    if (*QUENVAR_HOSTED_DLL != '\0') modules.emplace_back(QUENVAR_HOSTED_DLL);
    return modules;
}

// A test name part for a module path.
inline std::string ModuleTestName(const std::string& path)
{
    return path.ends_with(".dll") ? "WindowsDll" : "SharedObject";
}

}  // namespace quenvar::testing
