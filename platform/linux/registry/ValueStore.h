// The values of the keys in the registry database, in their stored form (see ValueCodec.h).
// Every function runs inside the caller's transaction and answers ERROR_SUCCESS or the code of
// the database failure. The name "" is the key's default value, present only once it is set.
#pragma once

#include "linux/registry/KeyStore.h"

namespace quenvar::platform {

struct StoredValue {
    std::u16string name;
    DWORD type;
    std::vector<BYTE> data;
};

// Summary of a key's values for RegQueryInfoKeyA.
struct ValueSizes {
    std::vector<std::u16string> names;
    std::size_t maxDataSize;
};

[[nodiscard]] DWORD FindValue(Database& database, KeyId key, std::u16string_view name, StoredValue& value, bool& found);
// Values in the order they were first set; `found` is false past the last one.
[[nodiscard]] DWORD ValueAt(Database& database, KeyId key, DWORD index, StoredValue& value, bool& found);
// Replaces the type and data of an existing value, keeping its name as first written and its
// place in the order.
[[nodiscard]] DWORD PutValue(Database& database, KeyId key, std::u16string_view name, DWORD type,
                             const std::vector<BYTE>& data);
[[nodiscard]] DWORD RemoveValue(Database& database, KeyId key, std::u16string_view name, bool& removed);
[[nodiscard]] DWORD MeasureValues(Database& database, KeyId key, ValueSizes& sizes);

}  // namespace quenvar::platform
