// An owner for a block of the module's private heap.
#pragma once

#include "module/ModuleState.h"
#include "platform/UniqueHandle.h"

namespace quenvar {

struct ModuleBlockTraits {
    using Pointer = void*;
    static Pointer Invalid() noexcept { return nullptr; }
    static void Close(Pointer value) noexcept { ModuleFree(value); }
};
using UniqueModuleBlock = UniqueHandle<ModuleBlockTraits>;

}  // namespace quenvar
