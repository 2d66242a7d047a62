#include "tools/palvex/ServerAddress.h"

#include <algorithm>
#include <cctype>

namespace quenvar::tools {
namespace {

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

}  // namespace

bool ServerFromHost(std::string_view host, std::string& server, std::string& error)
{
    // The component would stop at a NUL and ask another host than the one reported.
    if (std::any_of(host.begin(), host.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; })) {
        error = "host name holds a control character";
        return false;
    }
    const std::size_t separator = host.find("://");
    if (separator == std::string_view::npos) {
        server = host;
        return true;
    }
    const std::string scheme = Lower(host.substr(0, separator));
    if (scheme == "https") {
        error = "HTTPS is not supported: the component speaks plain HTTP";
        return false;
    }
    if (scheme != "http") {
        error = "the scheme '" + std::string(host.substr(0, separator)) +
                "' is not supported: the component speaks plain HTTP";
        return false;
    }
    const std::string_view rest = host.substr(separator + 3);
    const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
    if (authority.find('@') != std::string_view::npos) {
        error = "a URL with user information is not supported: give the host and port only";
        return false;
    }
    if (authority.empty()) {
        error = "the URL names no host";
        return false;
    }
    server = authority;
    return true;
}

}  // namespace quenvar::tools
