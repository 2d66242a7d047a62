// One HTTP exchange on libcurl: connect, send the request, read the answer's header and stop
// before the body. Bounded in time (connect time-out, then the receive time-out for the whole
// header read) and in memory (kMaxHeaderBytes of header).
#pragma once

#include "linux/internet/InternetHandles.h"
#include "linux/internet/ServerName.h"

namespace quenvar::platform {

constexpr std::size_t kMaxHeaderBytes = 64 * 1024;

// ERROR_SUCCESS with the answer filled in, or the Internet error code of the failure.
// Throws std::bad_alloc.
DWORD RunHttpExchange(const HttpRequest& request, const ServerAddress& server, DWORD connectTimeoutMs,
                      DWORD receiveTimeoutMs, HttpAnswer& answer);

}  // namespace quenvar::platform
