// The registry file checked by path, never opened outside SQLite: on Linux closing any
// descriptor of a file drops every POSIX lock the process holds on it, SQLite's included.
#pragma once

#include "platform/Win32.h"

#include <string>

namespace quenvar::platform {

// `exists` tells whether there is a file at `path` yet. ERROR_CANTOPEN when something else is in
// its place or it cannot be read and written.
[[nodiscard]] DWORD CheckRegistryFile(const std::string& path, bool& exists);

}  // namespace quenvar::platform
