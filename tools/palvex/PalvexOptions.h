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
    bool csv = false;
    std::optional<DWORD> timeoutMs;
    bool help = false;
    bool version = false;
};

inline constexpr unsigned kMaxJobs = 4096;
// A scanner's wait for a host that never answers; the Internet client's own defaults are 60 s
// to connect and 30 s to receive.
inline constexpr DWORD kDefaultTimeoutMs = 10000;

// false, with a message for the user in `error`, for an unknown option, a missing or malformed
// option value, and for --json with --csv. Values follow their option as the next argument, or attached ("-j8",
// "--jobs=8"). "--" ends the options. An empty host list is the caller's to refuse, since hosts
// may still come from the file.
[[nodiscard]] bool ParsePalvexOptions(const std::vector<std::string>& arguments, PalvexOptions& options,
                                      std::string& error);

inline constexpr char kPalvexUsage[] =
    "Usage: palvex [options] HOST...\n"
    "Asks each web server HOST (a name or address, optionally with :PORT, or an http:// URL whose\n"
    "path is ignored) about itself and prints its HTTP version, server software, content location\n"
    "and date. https:// and other schemes are refused: the component speaks plain HTTP.\n"
    "\n"
    "  -f, --file FILE   read hosts from FILE, one per line ('-' reads standard input);\n"
    "                    blank lines and text after '#' are ignored\n"
    "  -j, --jobs N      query N hosts at once (1 to 4096, default 1); output keeps input order\n"
    "      --json        print one JSON object per line and host\n"
    "      --csv         print CSV (RFC 4180) with a header row and the columns of --json\n"
    "      --early       call the component through its IPalvex interface instead of IDispatch\n"
    "      --timeout MS  connect and receive time-out in milliseconds (default 10000)\n"
    "  -h, --help        show this help\n"
    "      --version     show palvex's version and the registered component's file version\n"
    "\n"
    "Exit status: 0 every query succeeded, 1 some failed, 2 usage error or the component is not\n"
    "registered.\n";

}  // namespace quenvar::tools
