// The tree of keys in the registry database. Every function runs inside the caller's
// transaction and answers ERROR_SUCCESS or the code of the database failure.
#pragma once

#include "linux/registry/Database.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quenvar::platform {

using KeyId = std::int64_t;

// Rows 1 to 7 are the predefined roots, which are never deleted.
constexpr bool IsRootKey(KeyId key) { return key <= 7; }

struct Subkey {
    std::u16string name;
    std::int64_t written;  // FILETIME ticks of its last change
};

[[nodiscard]] DWORD KeyExists(Database& database, KeyId key, bool& exists);
// `subkey` is 0 when the parent has no subkey of that name.
[[nodiscard]] DWORD FindSubkey(Database& database, KeyId parent, std::u16string_view name, KeyId& subkey);
// Follows `names` down from `start`: ERROR_FILE_NOT_FOUND when a level is missing.
[[nodiscard]] DWORD WalkPath(Database& database, KeyId start, const std::vector<std::u16string>& names, KeyId& found);
// Adding and removing a subkey count as a change of the parent.
[[nodiscard]] DWORD AddSubkey(Database& database, KeyId parent, std::u16string_view name, KeyId& subkey);
// Subkeys in the order of their folded names; `found` is false past the last one.
[[nodiscard]] DWORD SubkeyAt(Database& database, KeyId parent, DWORD index, Subkey& subkey, bool& found);
[[nodiscard]] DWORD SubkeyNames(Database& database, KeyId parent, std::vector<std::u16string>& names);
[[nodiscard]] DWORD HasSubkeys(Database& database, KeyId key, bool& hasSubkeys);
// Removes a key and its values; the caller has made sure it has no subkeys.
[[nodiscard]] DWORD RemoveKey(Database& database, KeyId key);
// Records a change of the key's values or subkeys.
[[nodiscard]] DWORD TouchKey(Database& database, KeyId key);
[[nodiscard]] DWORD LastWritten(Database& database, KeyId key, std::int64_t& written);

FILETIME ToFileTime(std::int64_t ticks);

}  // namespace quenvar::platform
