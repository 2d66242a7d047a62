// Reading a text value through the registry's wide calls, for the parts of the platform that keep
// their own data in the registry (activation, type library registration): the text comes back
// in UTF-16 as it was stored, whatever the ANSI code page.
#pragma once

#include "platform/Win32.h"

#include <string>

namespace quenvar::platform {

// Value `name` (null: the default value) of key\subKey. ERROR_SUCCESS with its type; `text` is
// filled, without a terminator, only when the type is REG_SZ or REG_EXPAND_SZ. Else the code of
// the failed registry call.
[[nodiscard]] LONG ReadTextValue(HKEY key, const std::u16string& subKey, LPCWSTR name, std::u16string& text,
                                 DWORD& type);

}  // namespace quenvar::platform
