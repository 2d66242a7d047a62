// An owner for a registry key handle; closing a predefined root is harmless.
#pragma once

#include "platform/UniqueHandle.h"

namespace quenvar::reg {

struct KeyTraits {
    using Pointer = HKEY;
    static Pointer Invalid() noexcept { return nullptr; }
    static void Close(Pointer value) noexcept { RegCloseKey(value); }
};
using UniqueKey = UniqueHandle<KeyTraits>;

}  // namespace quenvar::reg
