// What lets a caller keep something it read from the registry: a stamp that changes whenever
// the registry may have changed since, by a write of this process or of another one, or by a
// switch to another registry file.
#pragma once

#include "platform/Win32.h"

#include <cstdint>

namespace quenvar::platform {

struct RegistryStamp {
    std::uint64_t connection = 0;  // which opening of the registry file
    std::uint64_t ownWrites = 0;   // write calls this process has committed
    std::int64_t otherWrites = 0;  // SQLite's data version: commits by other connections
    bool operator==(const RegistryStamp&) const = default;
};

// ERROR_SUCCESS with the current stamp, or the code of the registry's failure to answer.
[[nodiscard]] DWORD ReadRegistryStamp(RegistryStamp& stamp);

}  // namespace quenvar::platform
