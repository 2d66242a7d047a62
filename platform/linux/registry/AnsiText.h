// Text at the ANSI boundary of the registry: names and string data arrive and leave in the
// process's ANSI code page and are kept in UTF-16, as the platform keeps them.
#pragma once

#include "platform/Win32.h"

#include <string>
#include <string_view>

namespace quenvar::platform {

// Bytes the code page cannot decode become its replacement character.
std::u16string AnsiToWide(std::string_view ansi);
// Characters the code page cannot hold become '?'.
std::string WideToAnsi(std::u16string_view wide);

}  // namespace quenvar::platform
