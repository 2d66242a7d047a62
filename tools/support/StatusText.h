// Readable texts of HRESULTs and Win32 codes for the tools' messages.
#pragma once

#include "platform/Win32.h"

#include <string>

namespace quenvar::tools {

// The system's message text for the code, without its final line break, with "%1" replaced by
// `insert`; "" when the system has no text for it.
[[nodiscard]] std::string MessageText(DWORD code, const std::string& insert = {});

// The message text followed by the code in hexadecimal, e.g. "Class not registered (0x80040154)",
// or only "error 0x80040200" when there is no text.
[[nodiscard]] std::string DescribeStatus(DWORD code, const std::string& insert = {});

}  // namespace quenvar::tools
