#include "linux/registry/ValueStore.h"

#include "linux/registry/KeyNames.h"

#include <algorithm>

namespace quenvar::platform {
namespace {

constexpr const char* kFindValue = "SELECT name, type, data FROM vals WHERE key = ?1 AND fold = ?2";
constexpr const char* kValueAt = "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY id LIMIT 1 OFFSET ?2";
constexpr const char* kPutValue =
    "INSERT INTO vals(key, name, fold, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
    "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data";
constexpr const char* kRemoveValue = "DELETE FROM vals WHERE key = ?1 AND fold = ?2 RETURNING id";
constexpr const char* kMeasureValues = "SELECT name, length(data) FROM vals WHERE key = ?1";

void ReadValue(const Statement& statement, StoredValue& value)
{
    value = {statement.Text(0), static_cast<DWORD>(statement.Integer(1)), statement.Blob(2)};
}

}  // namespace

DWORD FindValue(Database& database, KeyId key, std::u16string_view name, StoredValue& value, bool& found)
{
    Statement statement;
    DWORD error = database.Prepare(kFindValue, statement);
    if (error != ERROR_SUCCESS) return error;
    statement.Bind(1, key);
    statement.Bind(2, FoldName(name));
    error = statement.Step(found);
    if (found) ReadValue(statement, value);
    return error;
}

DWORD ValueAt(Database& database, KeyId key, DWORD index, StoredValue& value, bool& found)
{
    Statement statement;
    DWORD error = database.Prepare(kValueAt, statement);
    if (error != ERROR_SUCCESS) return error;
    statement.Bind(1, key);
    statement.Bind(2, static_cast<std::int64_t>(index));
    error = statement.Step(found);
    if (found) ReadValue(statement, value);
    return error;
}

DWORD PutValue(Database& database, KeyId key, std::u16string_view name, DWORD type, const std::vector<BYTE>& data)
{
    Statement statement;
    DWORD error = database.Prepare(kPutValue, statement);
    if (error != ERROR_SUCCESS) return error;
    statement.Bind(1, key);
    statement.Bind(2, name);
    statement.Bind(3, FoldName(name));
    statement.Bind(4, static_cast<std::int64_t>(type));
    statement.Bind(5, data);
    error = statement.Run();
    return error != ERROR_SUCCESS ? error : TouchKey(database, key);
}

DWORD RemoveValue(Database& database, KeyId key, std::u16string_view name, bool& removed)
{
    Statement statement;
    DWORD error = database.Prepare(kRemoveValue, statement);
    if (error != ERROR_SUCCESS) return error;
    statement.Bind(1, key);
    statement.Bind(2, FoldName(name));
    error = statement.Step(removed);
    return error != ERROR_SUCCESS || !removed ? error : TouchKey(database, key);
}

DWORD MeasureValues(Database& database, KeyId key, ValueSizes& sizes)
{
    sizes = {};
    Statement statement;
    DWORD error = database.Prepare(kMeasureValues, statement);
    if (error != ERROR_SUCCESS) return error;
    statement.Bind(1, key);
    bool row = false;
    for (error = statement.Step(row); error == ERROR_SUCCESS && row; error = statement.Step(row)) {
        sizes.names.push_back(statement.Text(0));
        sizes.maxDataSize = std::max(sizes.maxDataSize, static_cast<std::size_t>(statement.Integer(1)));
    }
    return error;
}

}  // namespace quenvar::platform
