#include "linux/registry/Statement.h"

#include "linux/registry/SqliteError.h"

#include <sqlite3.h>

namespace quenvar::platform {

Statement::~Statement()
{
    if (statement_ == nullptr) return;
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

void Statement::Attach(sqlite3_stmt* statement)
{
    statement_ = statement;
    bindResult_ = SQLITE_OK;
}

void Statement::Remember(int result)
{
    if (bindResult_ == SQLITE_OK) bindResult_ = result;
}

void Statement::Bind(int index, std::int64_t value) { Remember(sqlite3_bind_int64(statement_, index, value)); }

// A null pointer would bind SQL NULL, so empty text and data are bound from a real address.
void Statement::Bind(int index, std::u16string_view text)
{
    const char16_t* units = text.empty() ? u"" : text.data();
    Remember(sqlite3_bind_text16(statement_, index, units, static_cast<int>(text.size() * 2), SQLITE_TRANSIENT));
}

void Statement::Bind(int index, const std::vector<BYTE>& blob)
{
    if (blob.empty()) {
        Remember(sqlite3_bind_zeroblob(statement_, index, 0));
        return;
    }
    Remember(sqlite3_bind_blob64(statement_, index, blob.data(), blob.size(), SQLITE_TRANSIENT));
}

DWORD Statement::Step(bool& row)
{
    row = false;
    if (bindResult_ != SQLITE_OK) return ErrorFromSqlite(bindResult_);
    const int result = sqlite3_step(statement_);
    row = result == SQLITE_ROW;
    return ErrorFromSqlite(result);
}

DWORD Statement::Run()
{
    bool row = false;
    return Step(row);
}

std::int64_t Statement::Integer(int column) const { return sqlite3_column_int64(statement_, column); }

std::u16string Statement::Text(int column) const
{
    const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(statement_, column));
    if (text == nullptr) return {};
    return std::u16string(text, static_cast<std::size_t>(sqlite3_column_bytes16(statement_, column)) / 2);
}

std::vector<BYTE> Statement::Blob(int column) const
{
    const auto* data = static_cast<const BYTE*>(sqlite3_column_blob(statement_, column));
    const auto size = static_cast<std::size_t>(sqlite3_column_bytes(statement_, column));
    return data == nullptr ? std::vector<BYTE>() : std::vector<BYTE>(data, data + size);
}

}  // namespace quenvar::platform
