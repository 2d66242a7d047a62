// The braced text form of a GUID, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", read from registry
// values and caller strings alike.
#pragma once

#include "platform/Win32.h"

#include <string_view>

namespace quenvar::platform {

// Exactly the braced 8-4-4-4-12 shape, hex digits in either case, nothing before or after.
// false, guid untouched, for anything else.
[[nodiscard]] bool ParseBracedGuid(std::u16string_view text, GUID& guid) noexcept;

// The 38 upper-case characters of the braced form, without a terminator.
void FormatBracedGuid(const GUID& guid, char16_t (&text)[kGuidStringLength - 1]) noexcept;

}  // namespace quenvar::platform
