// The command line of palvex: which hosts to ask, how many at once, how to bind and print.
#pragma once

#include "platform/Win32.h"

#include <optional>
#include <string>
#include <vector>

namespace quenvar::tools {

struct PalvexOptions {
    std::vector<std::string> hosts;       // from the arguments, in order
    std::optional<std::string> hostFile;  // -f FILE; "-" is standard input
    unsigned jobs = 1;
    bool earlyBound = false;
    bool json = false;
    std::optional<DWORD> timeoutMs;
    bool help = false;
};

inline constexpr unsigned kMaxJobs = 256;

// false, with a message for the user in `error`, for an unknown option, a missing or malformed
// option value. Values follow their option as the next argument, or attached ("-j8",
// "--jobs=8"). "--" ends the options. An empty host list is the caller's to refuse, since hosts
// may still come from the file.
[[nodiscard]] bool ParsePalvexOptions(const std::vector<std::string>& arguments, PalvexOptions& options,
                                      std::string& error);

inline constexpr char kPalvexUsage[] =
    "Usage: palvex [options] HOST...\n"
    "Asks each web server HOST (a name or address, optionally with :PORT) about itself and prints\n"
    "its HTTP version, server software, content location and date.\n"
    "\n"
    "  -f, --file FILE   read hosts from FILE, one per line ('-' reads standard input);\n"
    "                    blank lines and text after '#' are ignored\n"
    "  -j, --jobs N      query N hosts at once (1 to 256, default 1); output keeps input order\n"
    "      --json        print one JSON object per line and host\n"
    "      --early       call the component through its IPalvex interface instead of IDispatch\n"
    "      --timeout MS  connect and receive time-out in milliseconds\n"
    "  -h, --help        show this help\n"
    "\n"
    "Exit status: 0 every query succeeded, 1 some failed, 2 usage error or the component is not\n"
    "registered.\n";

}  // namespace quenvar::tools
