// Blocks of freed strings, kept by the thread that freed them for its next string of the same
// size. Strings come and go in pairs (a property's old value freed as its new one is made, a
// result handed over and freed), and a kept block costs a few instructions where the heap costs
// a hundred. A thread keeps at most one block of each size class, and frees them when it ends.
#pragma once

#include <cstddef>

namespace quenvar::platform {

// What to ask of the heap for a block of `bytes`: every block of a size class serves any string
// of that class.
std::size_t StringBlockSize(std::size_t bytes) noexcept;

// A block of StringBlockSize(bytes) bytes that the thread kept, or null.
void* TakeStringBlock(std::size_t bytes) noexcept;

// Keeps the block of `bytes` (as asked of StringBlockSize) for the thread, or frees it.
void ReleaseStringBlock(void* block, std::size_t bytes) noexcept;

}  // namespace quenvar::platform
