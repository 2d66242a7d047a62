#include "linux/registry/SqliteError.h"

#include <sqlite3.h>

namespace quenvar::platform {

DWORD ErrorFromSqlite(int result)
{
    switch (result) {
    case SQLITE_IOERR_READ:
    case SQLITE_IOERR_SHORT_READ: return ERROR_CANTREAD;
    default: break;
    }
    switch (result & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE: return ERROR_SUCCESS;
    case SQLITE_NOMEM: return ERROR_OUTOFMEMORY;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_FORMAT:
    case SQLITE_ERROR:  // a file whose tables are not ours
        return ERROR_BADDB;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH: return ERROR_CANTOPEN;
    case SQLITE_READONLY:
    case SQLITE_FULL: return ERROR_CANTWRITE;
    default: return ERROR_REGISTRY_IO_FAILED;
    }
}

}  // namespace quenvar::platform
