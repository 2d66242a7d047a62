// The frame of every registry call: the process-wide registry lock (the connection and the
// handle table are shared by every thread), the connection opened lazily at the path the
// environment names, and the transaction that makes the call atomic.
#pragma once

#include "linux/edge/Boundary.h"
#include "linux/registry/HandleTable.h"
#include "linux/registry/Transaction.h"

#include <mutex>
#include <optional>

namespace quenvar::platform {

class RegistryCall {
public:
    RegistryCall();
    RegistryCall(const RegistryCall&) = delete;
    RegistryCall& operator=(const RegistryCall&) = delete;

    // Opens the database if this process has no connection yet, then begins a read or a write
    // transaction. The failure of either is the call's result.
    [[nodiscard]] DWORD Begin(bool write);
    [[nodiscard]] DWORD Commit();

    // The key a handle stands for, once Begin has succeeded: ERROR_INVALID_HANDLE for a handle
    // that is not open, ERROR_ACCESS_DENIED when it was opened without every right of
    // `needed`, ERROR_KEY_DELETED when its key has been deleted through another handle or by
    // another process.
    [[nodiscard]] DWORD Resolve(HKEY handle, REGSAM needed, KeyHandle& key);

    Database& database();
    HandleTable& handles();

private:
    std::unique_lock<std::mutex> lock_;
    bool write_ = false;
    std::optional<Transaction> transaction_;
};

// How a registry call fails at the edge: running out of memory, or any other exception, becomes
// its result code.
inline constexpr ReturnsErrorCode kRegistryFailure{ERROR_OUTOFMEMORY, ERROR_REGISTRY_IO_FAILED};

// Closes the connection and forgets every handle: the next call opens the file that the
// environment names then, and handles opened before are no longer valid.
void ResetRegistry();

}  // namespace quenvar::platform
