// A run of elements sized when a call starts: inside the owner while they fit in N, so that a
// dispatched call of a common shape allocates nothing, else in one block from the heap.
#pragma once

#include <cstddef>
#include <memory>
#include <span>

namespace quenvar::platform {

template <typename T, std::size_t N>
class InlineBuffer {
public:
    // `count` value-initialised elements. Throws std::bad_alloc when they do not fit in N.
    explicit InlineBuffer(std::size_t count) : heap_(count > N ? std::make_unique<T[]>(count) : nullptr), size_(count)
    {
        if (!heap_) std::uninitialized_value_construct_n(inline_, count);
    }
    ~InlineBuffer()
    {
        if (!heap_) std::destroy_n(inline_, size_);
    }
    InlineBuffer(const InlineBuffer&) = delete;
    InlineBuffer& operator=(const InlineBuffer&) = delete;

    T* data() noexcept { return heap_ ? heap_.get() : inline_; }
    std::size_t size() const noexcept { return size_; }
    T& operator[](std::size_t index) noexcept { return data()[index]; }
    std::span<T> span() noexcept { return {data(), size_}; }

private:
    std::unique_ptr<T[]> heap_;
    std::size_t size_;
    // Left unconstructed beyond `size_`.
    union {
        T inline_[N];
    };
};

}  // namespace quenvar::platform
