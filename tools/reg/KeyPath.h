// Key paths as the user writes them: a root (full name or abbreviation) and `\` separated
// names, matched without regard to case.
#pragma once

#include "platform/UniqueHandle.h"

#include <array>
#include <string>

namespace quenvar::reg {

struct RootName {
    const char* name;
    const char* abbreviation;
};

// The seven roots, in the order of their handle values.
inline constexpr std::array<RootName, 7> kRootNames = {{
    {"HKEY_CLASSES_ROOT", "HKCR"},
    {"HKEY_CURRENT_USER", "HKCU"},
    {"HKEY_LOCAL_MACHINE", "HKLM"},
    {"HKEY_USERS", "HKU"},
    {"HKEY_PERFORMANCE_DATA", "HKPD"},
    {"HKEY_CURRENT_CONFIG", "HKCC"},
    {"HKEY_DYN_DATA", "HKDD"},
}};

// The form under which the tool matches and sorts names: each character upper-cased after the
// character classes of the C.UTF-8 locale, which main selects.
std::u16string FoldCase(std::u16string name);

// The predefined key of kRootNames[index].
HKEY RootKey(std::size_t index);

// Opens the key that the UTF-8 `path` names for reading. `printedPath` receives the path with the root's full
// name and each key's name as stored. ERROR_BADKEY for an unknown root or an empty name,
// otherwise the result of the registry call that failed (ERROR_FILE_NOT_FOUND for a missing
// key).
[[nodiscard]] LONG OpenKeyPath(const std::string& path, UniqueKey& key, std::u16string& printedPath);

}  // namespace quenvar::reg
