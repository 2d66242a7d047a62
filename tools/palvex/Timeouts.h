// The Internet client's process-wide time-outs.
#pragma once

#include "platform/Win32.h"

#include <string>

namespace quenvar::tools {

// Sets both the connect and the receive time-out for every query that starts afterwards. false,
// with a message in `error`, when the client refuses.
[[nodiscard]] bool SetQueryTimeouts(DWORD milliseconds, std::string& error);

}  // namespace quenvar::tools
