// Server names as a caller gives them: the dotted-address reader must agree with inet_pton on
// every text, and a name accepted must be one a request can carry.
#include "linux/internet/ServerName.h"

#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

using quenvar::platform::ParseDottedQuad;
using quenvar::platform::ParseServerName;

namespace {

void Require(bool condition)
{
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    // A name reaches the client as a C string: it holds no NUL.
    if (text.find('\0') != std::string::npos) return 0;

    in_addr ours{};
    in_addr theirs{};
    const bool read = ParseDottedQuad(text, ours);
    Require(read == (inet_pton(AF_INET, text.c_str(), &theirs) == 1));
    if (read) Require(std::memcmp(&ours, &theirs, sizeof ours) == 0);

    if (const auto server = ParseServerName(text, INTERNET_INVALID_PORT_NUMBER)) {
        Require(!server->host.empty() && server->port != 0);
        Require(server->host.find_first_of(" \t\r\n/@[]") == std::string::npos);
    }
    return 0;
}
