// The baseline exchange: what a query of the component costs at the socket level, done by hand
// with POSIX sockets. Connects, sends the request bytes the component's HTTP client sends, reads
// up to the blank line that ends the answer's header, and closes.
#pragma once

#include <string>

namespace quenvar::bench {

// The request the component sends for "127.0.0.1:port" (GET /, HTTP/1.0, Host, User-Agent).
std::string RequestBytes(int port);

// One exchange with 127.0.0.1:port; false when any step fails.
bool RawExchange(int port, const std::string& request);

}  // namespace quenvar::bench
