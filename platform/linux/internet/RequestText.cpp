#include "linux/internet/RequestText.h"

#include <array>
#include <charconv>
#include <iterator>

namespace quenvar::platform {

bool HasControlCharacter(std::string_view text)
{
    // A plain loop: the library's unrolled search costs more than it saves on texts this short.
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return true;
    }
    return false;
}

bool IsMethodToken(std::string_view text)
{
    // Read once per character from a table: every request's verb is checked.
    static constexpr auto kTokenCharacters = [] {
        std::array<bool, 256> token{};
        for (int c = 0; c < 256; ++c) {
            token[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       std::string_view("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
        }
        return token;
    }();
    if (text.empty()) return false;
    for (const char c : text) {
        if (!kTokenCharacters[static_cast<unsigned char>(c)]) return false;
    }
    return true;
}

std::string RequestTarget(std::string_view objectName)
{
    std::string target;
    if (!objectName.starts_with('/')) target += '/';
    for (char c : objectName) {
        if (c == ' ') target += "%20";
        else target += c;
    }
    return target;
}

void ComposeRequest(const HttpRequest& request, std::string_view host, INTERNET_PORT port, std::string& bytes)
{
    bytes.clear();
    bytes.reserve(128 + request.target.size() + request.agent.size() + request.referrer.size() + request.accept.size());
    // Each header line's CR LF comes with the next line's start: fewer appends, each a call.
    bytes.append(request.verb).push_back(' ');
    bytes.append(request.target);
    bytes.append(request.http10 ? " HTTP/1.0\r\nHost: " : " HTTP/1.1\r\nHost: ").append(host);
    if (port != INTERNET_DEFAULT_HTTP_PORT) {
        char digits[8] = {':'};
        bytes.append(digits, std::to_chars(digits + 1, std::end(digits), port).ptr);
    }
    if (!request.agent.empty()) bytes.append("\r\nUser-Agent: ").append(request.agent);
    if (!request.referrer.empty()) bytes.append("\r\nReferer: ").append(request.referrer);
    if (!request.accept.empty()) bytes.append("\r\nAccept: ").append(request.accept);
    bytes.append("\r\n\r\n");
}

}  // namespace quenvar::platform
