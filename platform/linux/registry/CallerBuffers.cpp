#include "linux/registry/CallerBuffers.h"

#include "linux/registry/ValueCodec.h"

#include <algorithm>

namespace quenvar::platform {

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
