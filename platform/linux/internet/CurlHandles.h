// The calling thread's libcurl handles, kept from one exchange to the next. Made and cleaned up
// for each exchange, the two handles cost a third as many instructions as the rest of libcurl's
// work for an exchange on loopback, and the multi handle seven system calls of its own (a socket
// pair for its wake-ups, four fcntl, two closes). The price: that socket pair stays open as long
// as the thread, without close-on-exec (libcurl's choice), so a program that the host starts
// inherits it. What would make one exchange depend on an earlier one is switched off in each
// exchange's options (see HttpExchange.cpp), and the easy handle is reset after every exchange.
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
