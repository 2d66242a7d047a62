// The change signal SQLite keeps in shared memory for a database in WAL mode: the header of the
// WAL-index, which every connection to the file maps and which a commit rewrites. Reading it
// tells whether another process has committed without a transaction, a lock or a system call.
#pragma once

#include <cstdint>

struct sqlite3;

namespace quenvar::platform {

// The header's fields that move with every commit (iChange, mxFrame) and with every restart of
// the WAL (its two salts).
struct WalIndexChange {
    std::uint32_t change = 0;
    std::uint32_t maxFrame = 0;
    std::uint32_t salt[2] = {};
    bool operator==(const WalIndexChange&) const = default;
};

// The WAL-index region that SQLite itself has mapped for `connection`, or null when it has none
// (another journal mode, a VFS without shared memory). Valid while the connection stays open in
// WAL mode; only ever read.
const volatile void* MapWalIndex(sqlite3* connection);

// Reads the header at the start of `region`. False when its two copies differ (a commit is
// writing it) or it is not a valid header: then only a transaction can tell.
bool ReadWalIndexChange(const volatile void* region, WalIndexChange& change);

}  // namespace quenvar::platform
