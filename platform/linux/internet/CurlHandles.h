// The calling thread's libcurl handles, kept from one exchange to the next. A multi handle costs a
// socket pair, four fcntl calls and two closes, an easy handle a dozen allocations: more than
// the rest of an exchange's own work on loopback. What would make one exchange depend on an
// earlier one is switched off in each exchange's options (see HttpExchange.cpp), and the easy
// handle is reset after every exchange.
#pragma once

#include <curl/curl.h>

namespace quenvar::platform {

struct CurlHandles {
    CURLM* multi;
    CURL* easy;  // never inside `multi` between exchanges
};

// The thread's handles: made on its first exchange, made anew in a child process (which never
// uses its parent's), cleaned up when the thread ends. False when libcurl cannot make them.
bool ThreadCurlHandles(CurlHandles& handles);

}  // namespace quenvar::platform
