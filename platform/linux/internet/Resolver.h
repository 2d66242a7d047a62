// Where a server is: its addresses, in the order to try them, and how a request names it.
#pragma once

#include "linux/internet/LookUpThreads.h"
#include "linux/internet/ServerName.h"

#include <netdb.h>
#include <sys/socket.h>

#include <chrono>
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
// std::bad_alloc.
int ResolveServer(const ServerAddress& server, std::chrono::steady_clock::time_point deadline,
                  ResolvedServer& resolved);

// The process's look-up threads: few enough to be no burden while a resolver that never answers
// holds them all, enough for a list of names to be looked up side by side.
inline constexpr std::size_t kLookUpThreads = 16;

// Runs `lookUp` on the process's look-up threads (LookUpThreads) and waits for it until
// `deadline`: ETIMEDOUT once that passes, EAGAIN when no thread can be had. Else the look-up's
// result (EAI_NONAME when it found no address) with `addresses` appended.
int LookUpBefore(LookUp lookUp, std::chrono::steady_clock::time_point deadline, std::vector<SocketAddress>& addresses);

}  // namespace quenvar::platform
