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

// For the void** out parameter of QueryInterface, CoCreateInstance and their kind; the owner
// must be empty.
template <typename Interface>
void** PutVoid(UniqueInterface<Interface>& owner)
{
    return reinterpret_cast<void**>(owner.put());
}

}  // namespace quenvar
