// One registry call's transaction: a write takes the database's write lock when it begins
// (BEGIN IMMEDIATE), so concurrent writers queue up on the busy timeout instead of failing
// halfway; whatever is not committed is rolled back when the transaction leaves scope.
#pragma once

#include "linux/registry/Database.h"

namespace quenvar::platform {

class Transaction {
public:
    explicit Transaction(Database& database) : database_(database) {}
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    [[nodiscard]] DWORD Begin(bool write);
    [[nodiscard]] DWORD Commit();

private:
    Database& database_;
    bool active_ = false;
};

}  // namespace quenvar::platform
