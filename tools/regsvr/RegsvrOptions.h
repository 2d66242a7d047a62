// The command line of regsvr: [-u] [-s] LIBRARY.
#pragma once

#include <string>
#include <vector>

namespace quenvar::tools {

struct RegsvrOptions {
    bool unregister = false;
    bool silent = false;
    bool help = false;
    std::string library;
};

// false, with a message for the user in `error`, for an unknown option, a missing library or more
// than one. "--" ends the options.
[[nodiscard]] bool ParseRegsvrOptions(const std::vector<std::string>& arguments, RegsvrOptions& options,
                                      std::string& error);

inline constexpr char kRegsvrUsage[] =
    "Usage: regsvr [-u] [-s] LIBRARY\n"
    "Registers an in-process server library by calling its DllRegisterServer.\n"
    "\n"
    "  -u          unregister instead (DllUnregisterServer)\n"
    "  -s          silent: print nothing about the outcome\n"
    "  -h, --help  show this help\n"
    "\n"
    "Exit status: 0 success, 1 invalid arguments, 3 the library could not be loaded,\n"
    "4 the entry point is missing, 5 the entry point reported a failure.\n";

}  // namespace quenvar::tools
