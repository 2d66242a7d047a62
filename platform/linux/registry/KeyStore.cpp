#include "linux/registry/KeyStore.h"

#include "linux/registry/KeyNames.h"

#include <chrono>

namespace quenvar::platform {
namespace {

constexpr const char* kKeyExists = "SELECT 1 FROM keys WHERE id = ?1";
constexpr const char* kFindSubkey = "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2";
constexpr const char* kAddSubkey = "INSERT INTO keys(parent, name, fold, written) VALUES (?1, ?2, ?3, ?4) RETURNING id";
constexpr const char* kSubkeyAt = "SELECT name, written FROM keys WHERE parent = ?1 ORDER BY fold LIMIT 1 OFFSET ?2";
constexpr const char* kSubkeyNames = "SELECT name FROM keys WHERE parent = ?1";
constexpr const char* kHasSubkeys = "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1";
constexpr const char* kTouchParent = "UPDATE keys SET written = ?2 WHERE id = (SELECT parent FROM keys WHERE id = ?1)";
constexpr const char* kRemoveValues = "DELETE FROM vals WHERE key = ?1";
constexpr const char* kRemoveKey = "DELETE FROM keys WHERE id = ?1";
constexpr const char* kTouchKey = "UPDATE keys SET written = ?2 WHERE id = ?1";
constexpr const char* kLastWritten = "SELECT written FROM keys WHERE id = ?1";

// 100-nanosecond ticks between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kUnixEpochTicks = 116444736000000000;

std::int64_t Now()
{
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return kUnixEpochTicks + std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch).count() / 100;
}

// Runs a prepared one-row query; `row` tells whether it produced its row.
template <typename Bind>
DWORD QueryRow(Database& database, const char* sql, Statement& statement, Bind bind, bool& row)
{
    DWORD error = database.Prepare(sql, statement);
    if (error != ERROR_SUCCESS) return error;
    bind(statement);
    return statement.Step(row);
}

}  // namespace

DWORD KeyExists(Database& database, KeyId key, bool& exists)
{
    Statement statement;
    return QueryRow(
        database, kKeyExists, statement, [&](Statement& s) { s.Bind(1, key); }, exists);
}

DWORD FindSubkey(Database& database, KeyId parent, std::u16string_view name, KeyId& subkey)
{
    Statement statement;
    bool row = false;
    const DWORD error = QueryRow(
        database, kFindSubkey, statement,
        [&](Statement& s) {
            s.Bind(1, parent);
            s.Bind(2, FoldName(name));
        },
        row);
    subkey = row ? statement.Integer(0) : 0;
    return error;
}

DWORD WalkPath(Database& database, KeyId start, const std::vector<std::u16string>& names, KeyId& found)
{
    found = start;
    for (const std::u16string& name : names) {
        const DWORD error = FindSubkey(database, found, name, found);
        if (error != ERROR_SUCCESS) return error;
        if (found == 0) return ERROR_FILE_NOT_FOUND;
    }
    return ERROR_SUCCESS;
}

DWORD AddSubkey(Database& database, KeyId parent, std::u16string_view name, KeyId& subkey)
{
    Statement statement;
    bool row = false;
    const DWORD error = QueryRow(
        database, kAddSubkey, statement,
        [&](Statement& s) {
            s.Bind(1, parent);
            s.Bind(2, name);
            s.Bind(3, FoldName(name));
            s.Bind(4, Now());
        },
        row);
    if (error != ERROR_SUCCESS) return error;
    subkey = statement.Integer(0);
    return TouchKey(database, parent);
}

DWORD SubkeyAt(Database& database, KeyId parent, DWORD index, Subkey& subkey, bool& found)
{
    Statement statement;
    const DWORD error = QueryRow(
        database, kSubkeyAt, statement,
        [&](Statement& s) {
            s.Bind(1, parent);
            s.Bind(2, static_cast<std::int64_t>(index));
        },
        found);
    if (found) subkey = {statement.Text(0), statement.Integer(1)};
    return error;
}

DWORD SubkeyNames(Database& database, KeyId parent, std::vector<std::u16string>& names)
{
    Statement statement;
    bool row = false;
    DWORD error = QueryRow(
        database, kSubkeyNames, statement, [&](Statement& s) { s.Bind(1, parent); }, row);
    for (; error == ERROR_SUCCESS && row; error = statement.Step(row)) names.push_back(statement.Text(0));
    return error;
}

DWORD HasSubkeys(Database& database, KeyId key, bool& hasSubkeys)
{
    Statement statement;
    return QueryRow(
        database, kHasSubkeys, statement, [&](Statement& s) { s.Bind(1, key); }, hasSubkeys);
}

DWORD RemoveKey(Database& database, KeyId key)
{
    const std::int64_t now = Now();
    for (const char* sql : {kTouchParent, kRemoveValues, kRemoveKey}) {
        Statement statement;
        DWORD error = database.Prepare(sql, statement);
        if (error != ERROR_SUCCESS) return error;
        statement.Bind(1, key);
        if (sql == kTouchParent) statement.Bind(2, now);
        error = statement.Run();
        if (error != ERROR_SUCCESS) return error;
    }
    return ERROR_SUCCESS;
}

DWORD TouchKey(Database& database, KeyId key)
{
    Statement statement;
    const DWORD error = database.Prepare(kTouchKey, statement);
    if (error != ERROR_SUCCESS) return error;
    statement.Bind(1, key);
    statement.Bind(2, Now());
    return statement.Run();
}

DWORD LastWritten(Database& database, KeyId key, std::int64_t& written)
{
    Statement statement;
    bool row = false;
    const DWORD error = QueryRow(
        database, kLastWritten, statement, [&](Statement& s) { s.Bind(1, key); }, row);
    written = row ? statement.Integer(0) : 0;
    return error;
}

FILETIME ToFileTime(std::int64_t ticks)
{
    const auto value = static_cast<std::uint64_t>(ticks);
    return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFF), static_cast<DWORD>(value >> 32)};
}

}  // namespace quenvar::platform
