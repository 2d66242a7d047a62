#include "tools/regsvr/RegsvrOptions.h"

namespace quenvar::tools {

bool ParseRegsvrOptions(const std::vector<std::string>& arguments, RegsvrOptions& options, std::string& error)
{
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (argument == "-h" || argument == "--help")) {
            options.help = true;
        } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            // Short flags may be grouped: -us.
            for (std::size_t i = 1; i < argument.size(); ++i) {
                if (argument[i] == 'u') options.unregister = true;
                else if (argument[i] == 's') options.silent = true;
                else {
                    error = "unknown option '" + argument + "'";
                    return false;
                }
            }
        } else if (options.library.empty()) {
            options.library = argument;
        } else {
            error = "only one library may be given";
            return false;
        }
    }
    if (options.library.empty() && !options.help) {
        error = "no library given";
        return false;
    }
    return true;
}

}  // namespace quenvar::tools
