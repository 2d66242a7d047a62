// One HTTP exchange on a socket of its own: resolve, connect, send the request, read the answer's
// header and close, before the body. Bounded in time (the connect time-out for resolving and
// connecting, then the receive time-out for the whole header read) and in memory
// (kMaxHeaderBytes of header).
#pragma once

#include "linux/internet/InternetHandles.h"
#include "linux/internet/ServerName.h"

namespace quenvar::platform {

// ERROR_SUCCESS with the answer filled in, or the Internet error code of the failure.
// Throws std::bad_alloc.
DWORD RunHttpExchange(const HttpRequest& request, const ServerAddress& server, DWORD connectTimeoutMs,
                      DWORD receiveTimeoutMs, HttpAnswer& answer);

}  // namespace quenvar::platform
