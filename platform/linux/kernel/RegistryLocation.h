// Where this user's registry file lives, and the private folders (mode 0700) above it. Found
// without touching the file: a descriptor of it closed outside SQLite would drop SQLite's locks.
#pragma once

#include "platform/Win32.h"

#include <string>

namespace quenvar::platform {

// $QUENVAR_REGISTRY, else $XDG_DATA_HOME/quenvar/registry.db (an absolute XDG_DATA_HOME only),
// else ~/.local/share/quenvar/registry.db. ERROR_CANTOPEN when no home folder is known.
[[nodiscard]] DWORD RegistryFilePath(std::string& path);

// Creates the missing folders above `path`, like mkdir -p. ERROR_CANTOPEN when one cannot be.
[[nodiscard]] DWORD CreateRegistryFolders(const std::string& path);

}  // namespace quenvar::platform
