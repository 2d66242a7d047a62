// What the reader keeps of a library, its texts and its library and type information objects,
// lives in task memory: it runs out where the platform's memory runs out, and the reader answers
// E_OUTOFMEMORY for it at its boundary.
#pragma once

#include "platform/Win32.h"

#include <cstddef>
#include <new>

namespace quenvar::platform {

inline void* AllocateTaskMemory(std::size_t bytes)
{
    void* block = CoTaskMemAlloc(bytes);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

// For containers and std::allocate_shared.
template <typename T>
struct TaskMemoryAllocator {
    using value_type = T;

    TaskMemoryAllocator() = default;
    template <typename Other>
    TaskMemoryAllocator(const TaskMemoryAllocator<Other>&) noexcept
    {
    }

    T* allocate(std::size_t count)
    {
        if (count > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(AllocateTaskMemory(count * sizeof(T)));
    }
    void deallocate(T* block, std::size_t) noexcept { CoTaskMemFree(block); }

    template <typename Other>
    bool operator==(const TaskMemoryAllocator<Other>&) const noexcept
    {
        return true;
    }
};

// A base that makes `new` and `delete` of a class use task memory.
struct InTaskMemory {
    static void* operator new(std::size_t bytes) { return AllocateTaskMemory(bytes); }
    static void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return CoTaskMemAlloc(bytes); }
    static void operator delete(void* block) noexcept { CoTaskMemFree(block); }
    static void operator delete(void* block, const std::nothrow_t&) noexcept { CoTaskMemFree(block); }
};

}  // namespace quenvar::platform
