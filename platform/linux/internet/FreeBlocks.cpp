#include "linux/internet/FreeBlocks.h"

namespace quenvar::platform {

FreeBlocks::~FreeBlocks()
{
    for (std::size_t list = 1; list < lists_.size(); ++list) {
        while (Block* block = lists_[list]) {
            lists_[list] = block->next;
            ::operator delete(block, list* kGrain);
        }
    }
}

void* FreeBlocks::Take(std::size_t bytes)
{
    if (bytes == 0 || bytes > kMaxKeptBytes) return ::operator new(bytes);
    Block*& first = lists_[ListOf(bytes)];
    if (first == nullptr) return ::operator new(ListOf(bytes) * kGrain);
    Block* block = first;
    first = block->next;
    return block;
}

void FreeBlocks::Give(void* block, std::size_t bytes) noexcept
{
    if (bytes == 0 || bytes > kMaxKeptBytes) {
        ::operator delete(block, bytes);
        return;
    }
    Block*& first = lists_[ListOf(bytes)];
    first = new (block) Block{first};
}

}  // namespace quenvar::platform
