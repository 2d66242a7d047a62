#include "linux/registry/Database.h"

#include "linux/registry/SqliteError.h"
#include "linux/registry/WalIndex.h"

#include <sqlite3.h>
#include <sys/stat.h>

namespace quenvar::platform {
namespace {

// Kept reachable so that leak checkers do not report a connection left alone on purpose.
sqlite3* abandonedConnection = nullptr;

// A committed call survives the process being killed (WAL) and the machine losing power (FULL).
constexpr const char* kSettings = "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;";

// Row ids never come back after a delete (AUTOINCREMENT), so a handle that remembers the id of
// a deleted key can never reach a newer key. The seven predefined roots are rows 1 to 7.
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER NOT NULL,
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  written INTEGER NOT NULL,
  UNIQUE(parent, fold));
CREATE TABLE IF NOT EXISTS vals(
  id INTEGER PRIMARY KEY,
  key INTEGER NOT NULL,
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  UNIQUE(key, fold));
CREATE INDEX IF NOT EXISTS vals_by_key ON vals(key, id);
INSERT OR IGNORE INTO keys(id, parent, name, fold, written) VALUES
  (1, 0, 'HKEY_CLASSES_ROOT', 'HKEY_CLASSES_ROOT', 0),
  (2, 0, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER', 0),
  (3, 0, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE', 0),
  (4, 0, 'HKEY_USERS', 'HKEY_USERS', 0),
  (5, 0, 'HKEY_PERFORMANCE_DATA', 'HKEY_PERFORMANCE_DATA', 0),
  (6, 0, 'HKEY_CURRENT_CONFIG', 'HKEY_CURRENT_CONFIG', 0),
  (7, 0, 'HKEY_DYN_DATA', 'HKEY_DYN_DATA', 0);
)sql";

constexpr int kBusyRetryMilliseconds = 10;
constexpr mode_t kFileMode = 0600;

// Switching a new file to WAL needs an exclusive lock and answers SQLITE_BUSY at once, without
// the busy handler, while another process is creating the same file: wait for it here.
int ExecWaitingWhileBusy(sqlite3* connection, const char* sql)
{
    for (int waited = 0;; waited += kBusyRetryMilliseconds) {
        const int result = sqlite3_exec(connection, sql, nullptr, nullptr, nullptr);
        if ((result & 0xFF) != SQLITE_BUSY || waited >= kBusyTimeoutMilliseconds) return result;
        sqlite3_sleep(kBusyRetryMilliseconds);
    }
}

bool InWalMode(sqlite3* connection)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(connection, "PRAGMA journal_mode", -1, &statement, nullptr) != SQLITE_OK) return false;
    const bool wal = sqlite3_step(statement) == SQLITE_ROW &&
                     sqlite3_stricmp(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)), "wal") == 0;
    sqlite3_finalize(statement);
    return wal;
}

}  // namespace

DWORD Database::Open(const std::string& path, bool create)
{
    Close();
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    int result = sqlite3_open_v2(path.c_str(), &connection_, flags, nullptr);
    // SQLite creates the file as the umask allows; restricted by path (no descriptor of ours)
    // before anything is written, and before its journal files, which take its mode, exist.
    if (result == SQLITE_OK && create && chmod(path.c_str(), kFileMode) != 0) result = SQLITE_CANTOPEN;
    if (result == SQLITE_OK) {
        sqlite3_extended_result_codes(connection_, 1);
        sqlite3_busy_timeout(connection_, kBusyTimeoutMilliseconds);
        result = ExecWaitingWhileBusy(connection_, kSettings);
    }
    if (result == SQLITE_OK) result = sqlite3_exec(connection_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (result == SQLITE_OK) {
        result = sqlite3_exec(connection_, kSchema, nullptr, nullptr, nullptr);
        const char* end = result == SQLITE_OK ? "COMMIT" : "ROLLBACK";
        const int ended = sqlite3_exec(connection_, end, nullptr, nullptr, nullptr);
        if (result == SQLITE_OK) result = ended;
    }
    if (result != SQLITE_OK) {
        Close();
        return ErrorFromSqlite(result);
    }
    // Asked only in WAL mode, after a transaction: SQLite then has its shared memory open and
    // mapped, and hands out that mapping; in another mode it would open the file itself.
    if (InWalMode(connection_)) walIndex_ = MapWalIndex(connection_);
    return ERROR_SUCCESS;
}

void Database::Close()
{
    for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
    statements_.clear();
    walIndex_ = nullptr;
    sqlite3_close(connection_);
    connection_ = nullptr;
}

void Database::Abandon()
{
    abandonedConnection = connection_;
    connection_ = nullptr;
    walIndex_ = nullptr;
    statements_.clear();
}

DWORD Database::Prepare(const char* sql, Statement& statement)
{
    const auto cached = statements_.find(sql);
    if (cached != statements_.end()) {
        statement.Attach(cached->second);
        return ERROR_SUCCESS;
    }
    sqlite3_stmt* prepared = nullptr;
    const int result = sqlite3_prepare_v3(connection_, sql, -1, SQLITE_PREPARE_PERSISTENT, &prepared, nullptr);
    if (result != SQLITE_OK) return ErrorFromSqlite(result);
    try {
        statements_.emplace(sql, prepared);
    } catch (...) {
        sqlite3_finalize(prepared);
        throw;
    }
    statement.Attach(prepared);
    return ERROR_SUCCESS;
}

DWORD Database::Execute(const char* sql)
{
    Statement statement;
    const DWORD error = Prepare(sql, statement);
    return error != ERROR_SUCCESS ? error : statement.Run();
}

bool Database::InTransaction() const { return connection_ != nullptr && sqlite3_get_autocommit(connection_) == 0; }

}  // namespace quenvar::platform
