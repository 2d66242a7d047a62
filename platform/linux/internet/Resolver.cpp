#include "linux/internet/Resolver.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstring>

namespace quenvar::platform {
namespace {

SocketAddress AddressOf(const void* address, socklen_t length)
{
    SocketAddress result{};
    std::memcpy(&result.storage, address, length);
    result.length = length;
    return result;
}

// The server's address when its name is a number; false for a name that needs a look-up.
bool NumericAddress(const ServerAddress& server, SocketAddress& address, std::string& text)
{
    char buffer[INET6_ADDRSTRLEN];
    if (server.ipv6) {
        sockaddr_in6 v6{};
        if (inet_pton(AF_INET6, server.host.c_str(), &v6.sin6_addr) != 1) return false;
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(server.port);
        address = AddressOf(&v6, sizeof v6);
        text = std::string("[").append(inet_ntop(AF_INET6, &v6.sin6_addr, buffer, sizeof buffer)).append("]");
        return true;
    }
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_port = htons(server.port);
    // Four decimal numbers are already in the usual form; inet_aton reads the shorter and the
    // octal and hexadecimal forms as the resolver does, and they are written anew.
    if (ParseDottedQuad(server.host, v4.sin_addr)) {
        text = server.host;
    } else if (inet_aton(server.host.c_str(), &v4.sin_addr) != 0) {
        text = inet_ntop(AF_INET, &v4.sin_addr, buffer, sizeof buffer);
    } else {
        return false;
    }
    address = AddressOf(&v4, sizeof v4);
    return true;
}

}  // namespace

int LookUpBefore(LookUp lookUp, std::chrono::steady_clock::time_point deadline, std::vector<SocketAddress>& addresses)
{
    static LookUpThreads threads(kLookUpThreads);
    AddressList list;
    if (const int result = threads.Run(std::move(lookUp), deadline, list); result != 0) return result;
    const std::size_t before = addresses.size();
    for (const addrinfo* entry = list.get(); entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET || entry->ai_family == AF_INET6) {
            addresses.push_back(AddressOf(entry->ai_addr, entry->ai_addrlen));
        }
    }
    return addresses.size() > before ? 0 : EAI_NONAME;
}

int ResolveServer(const ServerAddress& server, std::chrono::steady_clock::time_point deadline, ResolvedServer& resolved)
{
    SocketAddress address{};
    if (NumericAddress(server, address, resolved.host)) {
        resolved.addresses.push_back(address);
        return 0;
    }
    // Brackets hold only addresses.
    if (server.ipv6) return EAI_NONAME;
    resolved.host = server.host;
    return LookUpBefore(
        [host = server.host, service = std::to_string(server.port)](addrinfo** list) {
            addrinfo hints{};
            hints.ai_family = AF_UNSPEC;
            hints.ai_socktype = SOCK_STREAM;
            hints.ai_protocol = IPPROTO_TCP;
            hints.ai_flags = AI_NUMERICSERV;
            return getaddrinfo(host.c_str(), service.c_str(), &hints, list);
        },
        deadline, resolved.addresses);
}

}  // namespace quenvar::platform
