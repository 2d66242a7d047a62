// The connection to the registry database: opened with the settings that make it safe for
// several threads and processes (WAL journal, busy timeout, full sync), its schema created on
// first use, and a cache of prepared statements keyed by their SQL text.
#pragma once

#include "linux/registry/Statement.h"

#include "platform/Win32.h"

#include <string>
#include <unordered_map>

struct sqlite3;

namespace quenvar::platform {

// How long a call waits for another connection's write transaction before giving up.
constexpr int kBusyTimeoutMilliseconds = 10000;

class Database {
public:
    Database() = default;
    ~Database() { Close(); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    bool IsOpen() const { return connection_ != nullptr; }
    // Opens the file at `path` and creates the schema it lacks; with `create`, a missing file
    // is created private to the user (mode 0600). On failure the database stays closed.
    [[nodiscard]] DWORD Open(const std::string& path, bool create);
    void Close();
    // Forgets a connection inherited from a parent process without closing it: the file locks
    // it stands for are the parent's, and closing would tamper with them.
    void Abandon();

    // `sql` must be a string with static storage: its address keys the statement cache.
    [[nodiscard]] DWORD Prepare(const char* sql, Statement& statement);
    [[nodiscard]] DWORD Execute(const char* sql);
    bool InTransaction() const;
    // The WAL-index that SQLite maps for this connection, taken once when it opened; null when
    // there is none. Read only under the lock that serialises the use of the connection.
    const volatile void* WalIndex() const { return walIndex_; }

private:
    sqlite3* connection_ = nullptr;
    const volatile void* walIndex_ = nullptr;
    std::unordered_map<const char*, sqlite3_stmt*> statements_;
};

}  // namespace quenvar::platform
