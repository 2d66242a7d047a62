// Where a server is: its addresses, in the order to try them, and how a request names it.
#pragma once

#include "linux/internet/ServerName.h"

#include <netdb.h>
#include <sys/socket.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace quenvar::platform {

struct SocketAddress {
    sockaddr_storage storage;
    socklen_t length;
};

struct ResolvedServer {
    std::vector<SocketAddress> addresses;  // in the order to try them, each with the server's port
    std::string host;                      // for the Host header: the name as given, or the address in its usual form
};

// A numeric address, in any form that the system's resolver reads as numbers, is converted with
// no look-up; a name goes to the system's resolver, which is given until `deadline`.
// 0, or the code that InternetErrorFrom(ExchangeStep::Resolve, code) reports. Throws
// std::bad_alloc, and std::system_error when no thread can be started for a look-up.
int ResolveServer(const ServerAddress& server, std::chrono::steady_clock::time_point deadline,
                  ResolvedServer& resolved);

// Runs `lookUp` (getaddrinfo's work) on a thread of its own and waits for it until `deadline`:
// ETIMEDOUT once that passes, and the thread finishes later on its own. Else the look-up's
// result (EAI_NONAME when it found no address) with `addresses` appended.
using LookUp = std::function<int(addrinfo** list)>;
int LookUpBefore(LookUp lookUp, std::chrono::steady_clock::time_point deadline, std::vector<SocketAddress>& addresses);

}  // namespace quenvar::platform
