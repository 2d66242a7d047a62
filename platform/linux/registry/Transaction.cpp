#include "linux/registry/Transaction.h"

namespace quenvar::platform {
namespace {
constexpr const char* kBeginRead = "BEGIN";
constexpr const char* kBeginWrite = "BEGIN IMMEDIATE";
constexpr const char* kCommit = "COMMIT";
constexpr const char* kRollback = "ROLLBACK";
}  // namespace

Transaction::~Transaction()
{
    // SQLite has already rolled back by itself after some failures.
    if (active_ && database_.InTransaction()) static_cast<void>(database_.Execute(kRollback));
}

DWORD Transaction::Begin(bool write)
{
    const DWORD error = database_.Execute(write ? kBeginWrite : kBeginRead);
    active_ = error == ERROR_SUCCESS;
    return error;
}

DWORD Transaction::Commit()
{
    const DWORD error = database_.Execute(kCommit);
    if (error == ERROR_SUCCESS) active_ = false;
    return error;
}

}  // namespace quenvar::platform
