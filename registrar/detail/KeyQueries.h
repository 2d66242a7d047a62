// What the key-tree walk asks about a key before deleting it.
#pragma once

#include "platform/Win32.h"

namespace quenvar::detail {

// false for the protected names "CLSID" and "TYPELIB" (without regard to case): never the
// target of a recursive delete.
bool CanDeleteKey(LPCSTR name) noexcept;

// At least one subkey; false when the key cannot be queried.
bool HasSubkeys(HKEY key) noexcept;

// Whether the key holds values that keep it from being deleted at once: two or more, one named
// value, or an empty default value. A key whose only value is a non-empty default value has
// none; false when the key cannot be queried.
bool HasValues(HKEY key) noexcept;

}  // namespace quenvar::detail
