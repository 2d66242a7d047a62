// One use of a prepared statement of the registry database: bind, step, read columns. The
// statement belongs to the database's cache; leaving scope resets it for its next use.
#pragma once

#include "platform/Win32.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3_stmt;

namespace quenvar::platform {

class Statement {
public:
    Statement() = default;
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // A failed bind is remembered and answered by the next Step or Run.
    void Bind(int index, std::int64_t value);
    void Bind(int index, std::u16string_view text);
    void Bind(int index, const std::vector<BYTE>& blob);

    // row tells whether a result row is ready to be read.
    [[nodiscard]] DWORD Step(bool& row);
    // Runs a statement that yields no rows.
    [[nodiscard]] DWORD Run();

    std::int64_t Integer(int column) const;
    std::u16string Text(int column) const;
    std::vector<BYTE> Blob(int column) const;

private:
    friend class Database;
    void Attach(sqlite3_stmt* statement);
    void Remember(int result);

    sqlite3_stmt* statement_ = nullptr;
    int bindResult_ = 0;
};

}  // namespace quenvar::platform
