// Scratch bytes for one call: on the stack when they are few, from the module's private heap
// otherwise. Most of what a query converts or receives is short, and the stack costs no lock.
#pragma once

#include "module/ModuleBlock.h"

#include <array>

namespace quenvar {

template <SIZE_T kLocalBytes>
class ScratchBuffer {
public:
    ScratchBuffer() noexcept = default;
    ScratchBuffer(const ScratchBuffer&) = delete;
    ScratchBuffer& operator=(const ScratchBuffer&) = delete;

    // Room for `bytes`, valid until the next call or the end of this object; null when the heap
    // cannot provide it.
    char* Get(SIZE_T bytes) noexcept
    {
        if (bytes <= kLocalBytes) return local_.data();
        heap_.reset(ModuleAlloc(bytes));
        return static_cast<char*>(heap_.get());
    }

private:
    std::array<char, kLocalBytes> local_;
    UniqueModuleBlock heap_;
};

}  // namespace quenvar
