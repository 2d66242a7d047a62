// What a Windows DLL's imports bind to: the platform library's own export of that name for the
// system DLLs it stands in for, and the C library, called in the Windows convention, for the few
// msvcrt functions the DLLs take.
#pragma once

#include <string_view>

namespace quenvar::platform {

// The function an import of `dll` (any case) named `name` is to call, or null when there is none.
void* ResolveImport(std::string_view dll, std::string_view name);

}  // namespace quenvar::platform
