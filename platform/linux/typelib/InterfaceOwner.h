// An owned reference to a COM interface: released when the owner goes.
#pragma once

#include "platform/UniqueHandle.h"

namespace quenvar::platform {

template <typename Interface>
struct InterfaceTraits {
    using Pointer = Interface*;
    static Pointer Invalid() noexcept { return nullptr; }
    static void Close(Pointer value) noexcept { value->Release(); }
};

template <typename Interface>
using UniqueInterface = UniqueHandle<InterfaceTraits<Interface>>;

}  // namespace quenvar::platform
