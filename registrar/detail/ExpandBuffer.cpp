#include "registrar/detail/ExpandBuffer.h"

#include <utility>

namespace quenvar::detail {

ExpandBuffer::ExpandBuffer(SIZE_T capacity) noexcept
    : data_(static_cast<LPSTR>(CoTaskMemAlloc(capacity))), capacity_(data_ != nullptr ? capacity : 0)
{
}

bool ExpandBuffer::Append(char value) noexcept
{
    if (data_ == nullptr) return false;
    if (length_ == capacity_) {
        const SIZE_T capacity = capacity_ * 2;
        if (capacity <= capacity_) return false;
        auto* grown = static_cast<LPSTR>(CoTaskMemRealloc(data_, capacity));
        if (grown == nullptr) return false;
        data_ = grown;
        capacity_ = capacity;
    }
    data_[length_++] = value;
    return true;
}

bool ExpandBuffer::Append(LPCSTR from, LPCSTR to) noexcept
{
    for (; from != to; ++from) {
        if (!Append(*from)) return false;
    }
    return true;
}

LPSTR ExpandBuffer::Detach() noexcept
{
    length_ = 0;
    capacity_ = 0;
    return std::exchange(data_, nullptr);
}

}  // namespace quenvar::detail
