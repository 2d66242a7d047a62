// The predefined root keys by the names a registry script gives them.
#pragma once

#include "platform/Win32.h"

namespace quenvar {

// The root key named (short or long form, without regard to case), or null.
HKEY FindRootKey(LPCSTR name) noexcept;

}  // namespace quenvar
