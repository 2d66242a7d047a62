// What lets a caller keep something it read from the registry: a stamp that changes whenever
// the registry may have changed since, by a write of this process or of another one, or by a
// switch to another registry file.
#pragma once

#include "linux/registry/WalIndex.h"

#include "platform/Win32.h"

#include <cstdint>

namespace quenvar::platform {

struct RegistryStamp {
    std::uint64_t connection = 0;  // which opening of the registry file
    std::uint64_t ownWrites = 0;   // write calls this process has committed
    // Commits by other connections: read from the WAL-index in shared memory when it can be,
    // else SQLite's data version, read in a transaction. Stamps of the two kinds never match.
    bool fromSharedMemory = false;
    WalIndexChange walIndex;
    std::int64_t dataVersion = 0;
    bool operator==(const RegistryStamp&) const = default;
};

// ERROR_SUCCESS with the current stamp, or the code of the registry's failure to answer. Not an
// entry point of its own: it runs inside the boundary of the call that asks, which a C++ failure
// reaches as an exception.
[[nodiscard]] DWORD ReadRegistryStamp(RegistryStamp& stamp);

}  // namespace quenvar::platform
