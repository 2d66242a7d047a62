// Key and value names: the limits they obey, the splitting of `\` separated key paths, and the
// case folding under which two names are the same name.
#pragma once

#include "platform/Win32.h"

#include <string>
#include <string_view>
#include <vector>

namespace quenvar::platform {

constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxValueNameLength = 16383;

// The form under which names are compared: each character upper-cased, so names that differ
// only in case fold to the same text while the stored name keeps the case first written.
std::u16string FoldName(std::u16string_view name);

// Splits a key path into its names. "" and "\" give no names (the key itself); one trailing `\`
// is allowed. ERROR_INVALID_PARAMETER for an empty name inside the path or a name longer than
// kMaxKeyNameLength; `names` is then unspecified. An ANSI path is split after its conversion to
// UTF-16, so the trail byte 0x5C of a double-byte character never splits a name.
[[nodiscard]] DWORD SplitKeyPath(std::u16string wide, std::vector<std::u16string>& names);

// A value name ("" denotes the default value): ERROR_INVALID_PARAMETER when longer than
// kMaxValueNameLength.
[[nodiscard]] inline DWORD CheckValueName(const std::u16string& name)
{
    return name.size() > kMaxValueNameLength ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
}

}  // namespace quenvar::platform
