// Small blocks kept for reuse by one owner that already serialises its calls: freed blocks of up
// to kMaxKeptBytes wait in a list per size for the next block of their size, so that a structure
// which gains and loses a node per call costs no trip through the heap each time.
#pragma once

#include <array>
#include <cstddef>
#include <new>

namespace quenvar::platform {

class FreeBlocks {
public:
    FreeBlocks() = default;
    FreeBlocks(const FreeBlocks&) = delete;
    FreeBlocks& operator=(const FreeBlocks&) = delete;
    ~FreeBlocks();

    // Throws std::bad_alloc.
    void* Take(std::size_t bytes);
    void Give(void* block, std::size_t bytes) noexcept;

private:
    static constexpr std::size_t kGrain = 16;
    // Under the address sanitizer every block goes back to the heap, so that it sees each use
    // after a free.
#if defined(__SANITIZE_ADDRESS__)
    static constexpr std::size_t kMaxKeptBytes = 0;
#else
    static constexpr std::size_t kMaxKeptBytes = 128;
#endif

    struct Block {
        Block* next;
    };

    // A kept block is allocated at its list's size, so any block of the list fits any request
    // that the list serves.
    static std::size_t ListOf(std::size_t bytes) noexcept { return (bytes + kGrain - 1) / kGrain; }

    std::array<Block*, kMaxKeptBytes / kGrain + 1> lists_{};
};

// A standard allocator over FreeBlocks, for containers guarded by the FreeBlocks owner's lock.
template <typename T>
struct FreeBlocksAllocator {
    using value_type = T;

    explicit FreeBlocksAllocator(FreeBlocks& blocks) noexcept : blocks(&blocks) {}
    template <typename Other>
    FreeBlocksAllocator(const FreeBlocksAllocator<Other>& other) noexcept : blocks(other.blocks)
    {
    }

    T* allocate(std::size_t count) { return static_cast<T*>(blocks->Take(count * sizeof(T))); }
    void deallocate(T* block, std::size_t count) noexcept { blocks->Give(block, count * sizeof(T)); }

    template <typename Other>
    bool operator==(const FreeBlocksAllocator<Other>& other) const noexcept
    {
        return blocks == other.blocks;
    }

    FreeBlocks* blocks;
};

}  // namespace quenvar::platform
