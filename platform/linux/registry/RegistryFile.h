// Where this user's registry file lives, and its creation: private to the user, mode 0600 in
// folders created with mode 0700.
#pragma once

#include "platform/Win32.h"

#include <string>

namespace quenvar::platform {

// $QUENVAR_REGISTRY, else $XDG_DATA_HOME/quenvar/registry.db (an absolute XDG_DATA_HOME only),
// else ~/.local/share/quenvar/registry.db. ERROR_CANTOPEN when no home folder is known.
[[nodiscard]] DWORD RegistryFilePath(std::string& path);

// Creates the missing folders above `path` and the file itself when it does not exist, and
// checks that it can be read and written. ERROR_CANTOPEN when a folder cannot be created or the
// file cannot be opened for reading and writing (a folder in its place, no permission).
[[nodiscard]] DWORD PrepareRegistryFile(const std::string& path);

}  // namespace quenvar::platform
