// Loading a library and calling its self-registration entry point.
#pragma once

#include <string>

namespace quenvar::tools {

enum class RegistrationOutcome {
    Succeeded = 0,
    LoadFailed = 3,
    EntryPointMissing = 4,
    EntryPointFailed = 5,
};

struct RegistrationResult {
    RegistrationOutcome outcome;
    std::string message;  // one line for the user, without the program's name
};

// Loads `library`, calls DllRegisterServer (or DllUnregisterServer) and unloads it again. The
// calling thread must have initialised COM.
[[nodiscard]] RegistrationResult RunRegistration(const std::string& library, bool unregister);

}  // namespace quenvar::tools
