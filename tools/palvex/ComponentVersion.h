// The file version of the registered Palvex component, read from its module's version resource.
#pragma once

#include "platform/Win32.h"

#include <string>

namespace quenvar::tools {

struct ComponentVersion {
    std::string path;     // the module the class is registered with
    std::string version;  // "1.0.0.1"
};

// false, with a message for the user in `error`, when the class has no registered module or the
// module carries no readable version resource.
[[nodiscard]] bool ReadComponentVersion(const CLSID& clsid, ComponentVersion& component, std::string& error);

}  // namespace quenvar::tools
