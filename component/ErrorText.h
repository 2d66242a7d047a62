// The text that ErrorInfo holds after a failed step of the query.
#pragma once

#include "platform/UniqueHandle.h"

namespace quenvar {

// Stores "<label> error <code>\n " in errorInfo, the code as a signed decimal. For
// ERROR_INTERNET_EXTENDED_ERROR the Internet client's last response text follows; when that text
// cannot be had, a notice naming what failed and the last-error code of that moment follow
// instead. Must run on the failed call's thread, before any other Internet call.
void ComposeErrorText(DWORD code, const char* label, UniqueBstr& errorInfo) noexcept;

}  // namespace quenvar
