// Writes keys in the registry editor's export format: for each key its `[path]` line, its
// values (the default value first, then the others in the registry's order), a blank line,
// then its subkeys sorted by name without regard to case. Names and text of every character are
// read in UTF-16 and written as UTF-8.
#pragma once

#include "platform/Win32.h"

#include <string>

namespace quenvar::reg {

inline constexpr const char* kExportHeader = "Windows Registry Editor Version 5.00\n\n";

// Appends `key`, whose full path is `path`, and everything below it to `text`. Answers the
// result of the first registry call that failed.
[[nodiscard]] LONG ExportKey(HKEY key, const std::u16string& path, std::string& text);

}  // namespace quenvar::reg
