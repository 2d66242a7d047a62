#include "tools/palvex/PalvexOptions.h"

#include <charconv>

namespace quenvar::tools {
namespace {

// A decimal number in [minimum, maximum], nothing else.
bool ParseNumber(const std::string& text, unsigned long long minimum, unsigned long long maximum,
                 unsigned long long& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, status] = std::from_chars(text.data(), end, value);
    return !text.empty() && status == std::errc() && stop == end && value >= minimum && value <= maximum;
}

}  // namespace

bool ParsePalvexOptions(const std::vector<std::string>& arguments, PalvexOptions& options, std::string& error)
{
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            options.hosts.insert(options.hosts.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                 arguments.end());
            break;
        }
        if (argument.empty() || argument[0] != '-') {
            options.hosts.push_back(argument);
            continue;
        }
        // Split "--name=value" and "-jN" into the option and its attached value.
        std::string name = argument;
        std::optional<std::string> attached;
        if (argument.starts_with("--")) {
            if (const std::size_t equals = argument.find('='); equals != std::string::npos) {
                name = argument.substr(0, equals);
                attached = argument.substr(equals + 1);
            }
        } else if (argument.size() > 2) {
            name = argument.substr(0, 2);
            attached = argument.substr(2);
        }
        const auto value = [&](std::string& out) {
            if (attached) {
                out = *attached;
                return true;
            }
            if (i + 1 == arguments.size()) {
                error = "option '" + name + "' needs a value";
                return false;
            }
            out = arguments[++i];
            return true;
        };
        const auto flag = [&]() {
            if (!attached) return true;
            error = "option '" + name + "' takes no value";
            return false;
        };

        std::string text;
        unsigned long long number = 0;
        if (name == "-h" || name == "--help") {
            if (!flag()) return false;
            options.help = true;
        } else if (name == "--json") {
            if (!flag()) return false;
            options.json = true;
        } else if (name == "--csv") {
            if (!flag()) return false;
            options.csv = true;
        } else if (name == "--version") {
            if (!flag()) return false;
            options.version = true;
        } else if (name == "--early") {
            if (!flag()) return false;
            options.earlyBound = true;
        } else if (name == "-f" || name == "--file") {
            if (!value(text)) return false;
            if (text.empty()) {
                error = "option '" + name + "' needs a file name";
                return false;
            }
            if (options.hostFile) {
                error = "only one host file may be given";
                return false;
            }
            options.hostFile = text;
        } else if (name == "-j" || name == "--jobs") {
            if (!value(text)) return false;
            if (!ParseNumber(text, 1, kMaxJobs, number)) {
                error = "invalid number of jobs '" + text + "' (1 to " + std::to_string(kMaxJobs) + ")";
                return false;
            }
            options.jobs = static_cast<unsigned>(number);
        } else if (name == "--timeout") {
            if (!value(text)) return false;
            if (!ParseNumber(text, 1, 0xFFFFFFFFull, number)) {
                error = "invalid time-out '" + text + "' (milliseconds, at least 1)";
                return false;
            }
            options.timeoutMs = static_cast<DWORD>(number);
        } else {
            error = "unknown option '" + argument + "'";
            return false;
        }
    }
    if (options.json && options.csv) {
        error = "--json and --csv cannot be combined";
        return false;
    }
    return true;
}

}  // namespace quenvar::tools
