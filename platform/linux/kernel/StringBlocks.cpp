#include "linux/kernel/StringBlocks.h"

#include <sanitizer/asan_interface.h>

#include <cstdlib>
#include <utility>

namespace quenvar::platform {
namespace {

constexpr std::size_t kClassBytes = 32;
constexpr std::size_t kClasses = 8;  // blocks up to 256 bytes: nearly every string a query makes
constexpr std::size_t kLargestKept = kClasses * kClassBytes;

// Trivially destructible, so that it stays readable while the thread's other destructors run.
struct KeptBlocks {
    void* blocks[kClasses];
    bool ended;  // the thread is ending: frees go to the heap
};
thread_local KeptBlocks kept;

// Frees the kept blocks as the thread ends. Made on the thread's first kept block, which makes it
// run at the thread's end.
struct KeptBlocksRelease {
    bool armed = false;
    ~KeptBlocksRelease()
    {
        kept.ended = true;
        for (std::size_t index = 0; index < kClasses; ++index) {
            void* block = std::exchange(kept.blocks[index], nullptr);
            if (block == nullptr) continue;
            ASAN_UNPOISON_MEMORY_REGION(block, (index + 1) * kClassBytes);
            std::free(block);
        }
    }
};
thread_local KeptBlocksRelease release;

std::size_t ClassOf(std::size_t bytes) { return (bytes - 1) / kClassBytes; }

}  // namespace

std::size_t StringBlockSize(std::size_t bytes) noexcept
{
    return bytes <= kLargestKept ? (ClassOf(bytes) + 1) * kClassBytes : bytes;
}

void* TakeStringBlock(std::size_t bytes) noexcept
{
    if (bytes > kLargestKept) return nullptr;
    void* block = std::exchange(kept.blocks[ClassOf(bytes)], nullptr);
    if (block != nullptr) ASAN_UNPOISON_MEMORY_REGION(block, StringBlockSize(bytes));
    return block;
}

void ReleaseStringBlock(void* block, std::size_t bytes) noexcept
{
    if (bytes <= kLargestKept && !kept.ended) {
        void*& slot = kept.blocks[ClassOf(bytes)];
        if (slot == nullptr) {
            if (!release.armed) release.armed = true;
            // Under the address sanitizer a string used after it was freed is still caught.
            ASAN_POISON_MEMORY_REGION(block, StringBlockSize(bytes));
            slot = block;
            return;
        }
    }
    std::free(block);
}

}  // namespace quenvar::platform
