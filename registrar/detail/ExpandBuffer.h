// The growing output of the variable substitution: task memory that doubles when full and is
// handed to the caller whole.
#pragma once

#include "platform/Win32.h"

namespace quenvar::detail {

class ExpandBuffer {
public:
    // The block is null (and every Append fails) when it cannot be allocated.
    explicit ExpandBuffer(SIZE_T capacity) noexcept;
    ~ExpandBuffer() { CoTaskMemFree(data_); }
    ExpandBuffer(const ExpandBuffer&) = delete;
    ExpandBuffer& operator=(const ExpandBuffer&) = delete;

    bool Allocated() const noexcept { return data_ != nullptr; }
    // false when the block cannot grow; what was stored stays.
    [[nodiscard]] bool Append(char value) noexcept;
    [[nodiscard]] bool Append(LPCSTR from, LPCSTR to) noexcept;
    // The block, for the caller to free with CoTaskMemFree; the buffer is empty afterwards.
    [[nodiscard]] LPSTR Detach() noexcept;

private:
    LPSTR data_;
    SIZE_T length_ = 0;
    SIZE_T capacity_;
};

}  // namespace quenvar::detail
