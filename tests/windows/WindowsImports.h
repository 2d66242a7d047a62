// What a loaded x64 DLL's imports call: for each system function it may import, a thunk in the
// Windows x64 calling convention over the platform library's function of that name (the C
// library's for msvcrt.dll).
#pragma once

#include <string_view>

namespace quenvar::testing {

// The thunk for an import of `dll` (any case) named `name`, or null when there is none.
void* WindowsImport(std::string_view dll, std::string_view name);

}  // namespace quenvar::testing
