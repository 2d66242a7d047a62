// Text of the registry editor's export format: names and strings quoted, values in their typed
// forms, text written out as UTF-8.
#pragma once

#include "platform/Win32.h"

#include <string>
#include <string_view>
#include <vector>

namespace quenvar::reg {

// One value line without its line end: `@=` for the default value (empty name), otherwise
// `"name"=`, then `"text"` for REG_SZ, `dword:0000002a` for REG_DWORD, or `hex:` for REG_BINARY
// and `hex(N):` for every other type, strings of those in UTF-16LE as the registry keeps them.
// Byte lists wrap at 80 columns with a trailing `\` and two spaces before the continuation.
std::string FormatValue(std::u16string_view name, DWORD type, const std::vector<BYTE>& data);

}  // namespace quenvar::reg
