// Reading the text of a key's default value under HKEY_CLASSES_ROOT, the one registry access
// that activation needs.
#pragma once

#include "platform/Win32.h"

#include <string>

namespace quenvar::platform {

// The default value of HKCR\<subKey> as it was stored, without a terminator. ERROR_FILE_NOT_FOUND
// when the key or its default value is missing, ERROR_INVALID_DATA when the value is not of an
// accepted type (REG_SZ always, REG_EXPAND_SZ when `allowExpand`; `expand` then tells which it
// was), else the registry's own code.
[[nodiscard]] LONG ReadClassesRootText(const std::u16string& subKey, bool allowExpand, std::u16string& text,
                                       bool* expand = nullptr);

}  // namespace quenvar::platform
