// An owner of one interface reference, released when it goes.
#pragma once

#include "platform/UniqueHandle.h"

namespace quenvar::tools {

template <typename Interface>
struct InterfaceTraits {
    using Pointer = Interface*;
    static Pointer Invalid() noexcept { return nullptr; }
    static void Close(Pointer object) noexcept { object->Release(); }
};

template <typename Interface>
using ComPtr = UniqueHandle<InterfaceTraits<Interface>>;

// For the void** out parameter of CoCreateInstance and QueryInterface; the owner must be empty.
template <typename Interface>
void** PutVoid(ComPtr<Interface>& owner)
{
    return reinterpret_cast<void**>(owner.put());
}

}  // namespace quenvar::tools
