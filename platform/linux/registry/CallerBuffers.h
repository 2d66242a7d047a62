// Hands names and value data out into the caller's buffers with the platform's sizing rules.
#pragma once

#include "platform/Win32.h"

#include <string>
#include <vector>

namespace quenvar::platform {

// *length holds the buffer's size in characters, the NUL included. On success the name and a
// NUL are written and *length becomes the name's length without the NUL; a buffer too small
// gets nothing and ERROR_MORE_DATA, *length unchanged.
template <typename Char>
[[nodiscard]] DWORD CopyName(const std::basic_string<Char>& name, Char* buffer, LPDWORD length)
{
    if (name.size() >= *length) return ERROR_MORE_DATA;
    name.copy(buffer, name.size());
    buffer[name.size()] = Char();
    *length = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

// *type gets the value's type when `type` is given. Without a buffer *size (when given) gets
// the size of the data. A buffer too small gets nothing and ERROR_MORE_DATA with *size set to
// the size needed. String data without a NUL at its end gets one when the buffer has room for
// it; the size reported stays that of the data.
[[nodiscard]] DWORD CopyValueData(DWORD valueType, const std::vector<BYTE>& bytes, LPDWORD type, LPBYTE data,
                                  LPDWORD size);

// Stores through an optional out-pointer.
inline void Store(LPDWORD out, DWORD value)
{
    if (out != nullptr) *out = value;
}

}  // namespace quenvar::platform
