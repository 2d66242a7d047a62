#include "linux/activation/EnvironmentText.h"

#include <cstdlib>

namespace quenvar::platform {

std::string ExpandEnvironmentText(const std::string& text)
{
    std::string expanded;
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t open = text.find('%', position);
        const std::size_t close = open == std::string::npos ? std::string::npos : text.find('%', open + 1);
        if (close == std::string::npos) break;
        expanded.append(text, position, open - position);
        const std::string name = text.substr(open + 1, close - open - 1);
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        if (value != nullptr) {
            expanded += value;
            position = close + 1;
        } else {
            // Not a variable: keep the first percent sign and look again from the second one.
            expanded += '%';
            expanded.append(name);
            position = close;
        }
    }
    expanded.append(text, position, std::string::npos);
    return expanded;
}

}  // namespace quenvar::platform
