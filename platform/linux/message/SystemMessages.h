// The system's table of message texts.
#pragma once

#include "platform/Win32.h"

namespace quenvar::platform {

// The text of a Win32 code or HRESULT as stored in the table, without the final line break;
// null when the table has none. A FACILITY_WIN32 failure is looked up as its Win32 code.
[[nodiscard]] const char* FindSystemMessage(DWORD messageId) noexcept;

}  // namespace quenvar::platform
