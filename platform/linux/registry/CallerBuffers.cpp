#include "linux/registry/CallerBuffers.h"

#include "linux/registry/ValueCodec.h"

#include <algorithm>

namespace quenvar::platform {

DWORD CopyName(const std::string& name, LPSTR buffer, LPDWORD length)
{
    if (name.size() >= *length) return ERROR_MORE_DATA;
    std::copy(name.begin(), name.end(), buffer);
    buffer[name.size()] = '\0';
    *length = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

DWORD CopyValueData(DWORD valueType, const std::vector<BYTE>& bytes, LPDWORD type, LPBYTE data, LPDWORD size)
{
    Store(type, valueType);
    const auto needed = static_cast<DWORD>(bytes.size());
    if (data != nullptr) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        std::copy(bytes.begin(), bytes.end(), data);
        const bool terminated = !bytes.empty() && bytes.back() == 0;
        if (IsStringType(valueType) && !terminated && *size > needed) data[needed] = 0;
    }
    Store(size, needed);
    return ERROR_SUCCESS;
}

}  // namespace quenvar::platform
