// The server name of a connection, checked before anything is sent: a host name or address with
// an optional ":port", or a bracketed IPv6 address with an optional ":port".
#pragma once

#include "platform/Win32.h"

#include <netinet/in.h>

#include <optional>
#include <string>
#include <string_view>

namespace quenvar::platform {

struct ServerAddress {
    std::string host;  // the name or address, without brackets
    bool ipv6;         // an IPv6 address (given in brackets, or with colons)
    INTERNET_PORT port;
};

// nullopt for anything that is not a host: a scheme, a path, user information, blanks, control
// characters, a bad port. A port in the name wins over `port`; without either the port is 80.
// Throws std::bad_alloc.
std::optional<ServerAddress> ParseServerName(std::string_view name, INTERNET_PORT port);

// Four decimal numbers of 0 to 255, without leading zeros, as inet_pton reads them: the usual form
// of an address, read here at a fraction of the library call's cost.
bool ParseDottedQuad(std::string_view text, in_addr& address);

}  // namespace quenvar::platform
