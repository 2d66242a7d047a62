// An owner of one reference to a COM interface: Release when it goes out of scope.
#pragma once

#include "platform/UniqueHandle.h"

namespace quenvar {

template <typename Interface>
struct InterfaceTraits {
    using Pointer = Interface*;
    static Pointer Invalid() noexcept { return nullptr; }
    static void Close(Pointer value) noexcept { value->Release(); }
};

template <typename Interface>
using UniqueInterface = UniqueHandle<InterfaceTraits<Interface>>;

}  // namespace quenvar
