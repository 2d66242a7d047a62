// The full path of a module's file in UTF-16, the width its users (the registry script's
// %MODULE%, loading the file as data, LoadTypeLib) take it in.
#pragma once

#include "platform/Win32.h"

namespace quenvar {

// GetModuleFileNameW of `instance` into `path`. Its error as an HRESULT (LastErrorResult); a path
// of MAX_PATH characters or more is refused rather than used cut short.
[[nodiscard]] HRESULT ModuleFileName(HINSTANCE instance, OLECHAR (&path)[MAX_PATH]) noexcept;

}  // namespace quenvar
