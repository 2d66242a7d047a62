// The Win32 code that stands for an SQLite result in a registry call.
#pragma once

#include "platform/Win32.h"

namespace quenvar::platform {

// SQLITE_OK, SQLITE_ROW and SQLITE_DONE give ERROR_SUCCESS. A file that is not a registry or is
// damaged gives ERROR_BADDB, one that cannot be opened ERROR_CANTOPEN, a failed read
// ERROR_CANTREAD, a refused write ERROR_CANTWRITE, memory ERROR_OUTOFMEMORY, and anything else
// (another process holding the registry past the busy timeout included)
// ERROR_REGISTRY_IO_FAILED.
DWORD ErrorFromSqlite(int result);

}  // namespace quenvar::platform
