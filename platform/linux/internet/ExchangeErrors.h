// The one place where the system's failure codes become the platform's Internet error codes.
#pragma once

#include "platform/Win32.h"

namespace quenvar::platform {

// The steps of an exchange, in order.
enum class ExchangeStep { Resolve, Connect, Send, Receive };

// `code`: the resolver's EAI_* result for Resolve (or EAGAIN when no thread could look up), else
// an errno value; ETIMEDOUT in any step when the step's deadline passed.
DWORD InternetErrorFrom(ExchangeStep step, int code);

}  // namespace quenvar::platform
