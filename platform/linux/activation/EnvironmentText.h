// The expansion of an REG_EXPAND_SZ server path, done against the process environment.
#pragma once

#include <string>

namespace quenvar::platform {

// Replaces each %NAME% whose variable is set in the environment by its value; the others, and
// a lone percent sign, stay as written. Works on file names (UTF-8), as the environment holds them.
[[nodiscard]] std::string ExpandEnvironmentText(const std::string& text);

}  // namespace quenvar::platform
