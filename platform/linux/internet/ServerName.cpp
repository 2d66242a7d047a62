#include "linux/internet/ServerName.h"

#include <array>
#include <cstring>

namespace quenvar::platform {
namespace {

constexpr std::size_t kMaxHostLength = 253;

// What each byte may be part of: a table read once per character, where the names are checked
// for every request.
enum : unsigned char { kHostCharacter = 1, kIPv6Character = 2 };

constexpr auto kCharacterKinds = [] {
    std::array<unsigned char, 256> kinds{};
    for (int c = 0; c < 256; ++c) {
        const bool digit = c >= '0' && c <= '9';
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool hexLetter = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (digit || letter || c == '-' || c == '.' || c == '_') kinds[c] |= kHostCharacter;
        if (digit || hexLetter || c == ':' || c == '.') kinds[c] |= kIPv6Character;
    }
    return kinds;
}();

// The kinds that every character of `text` has.
unsigned KindsOfAll(std::string_view text)
{
    unsigned kinds = kHostCharacter | kIPv6Character;
    for (char c : text) kinds &= kCharacterKinds[static_cast<unsigned char>(c)];
    return kinds;
}

bool IsHostName(std::string_view host)
{
    return !host.empty() && host.size() <= kMaxHostLength && (KindsOfAll(host) & kHostCharacter) != 0;
}

// Zone identifiers are refused: they name a local interface, never a web server.
bool IsIPv6Address(std::string_view address)
{
    return address.find(':') != std::string_view::npos && address.size() <= 45 &&
           (KindsOfAll(address) & kIPv6Character) != 0;
}

std::optional<INTERNET_PORT> ParsePort(std::string_view text)
{
    if (text.empty() || text.size() > 5) return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 0xFFFF) return std::nullopt;
    return static_cast<INTERNET_PORT>(value);
}

}  // namespace

bool ParseDottedQuad(std::string_view text, in_addr& address)
{
    std::array<unsigned char, 4> parts{};
    std::size_t part = 0;
    unsigned value = 0;
    unsigned digits = 0;
    // A part ends at its dot or at the text's end.
    const auto endPart = [&] {
        if (digits == 0 || value > 255 || part == parts.size()) return false;
        parts[part++] = static_cast<unsigned char>(value);
        value = digits = 0;
        return true;
    };
    for (char c : text) {
        const unsigned digit = static_cast<unsigned char>(c) - unsigned{'0'};
        if (digit < 10 && digits < 3 && !(digits == 1 && value == 0)) {
            value = value * 10 + digit;
            ++digits;
        } else if (c != '.' || !endPart()) {
            return false;
        }
    }
    if (!endPart() || part != parts.size()) return false;
    std::memcpy(&address, parts.data(), parts.size());
    return true;
}

std::optional<ServerAddress> ParseServerName(std::string_view name, INTERNET_PORT port)
{
    const INTERNET_PORT fallback = port != INTERNET_INVALID_PORT_NUMBER ? port : INTERNET_DEFAULT_HTTP_PORT;
    std::string_view host = name;
    std::string_view portText;
    bool bracketed = false;
    if (name.starts_with('[')) {
        const std::size_t close = name.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        host = name.substr(1, close - 1);
        const std::string_view rest = name.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return std::nullopt;
            portText = rest.substr(1);
            if (portText.empty()) return std::nullopt;
        }
        bracketed = true;
    } else if (const std::size_t colon = name.find(':');
               colon != std::string_view::npos && name.find(':', colon + 1) == std::string_view::npos) {
        host = name.substr(0, colon);
        portText = name.substr(colon + 1);
        if (portText.empty()) return std::nullopt;
    }

    const bool ipv6 = bracketed || host.find(':') != std::string_view::npos;
    if (ipv6 ? !IsIPv6Address(host) : !IsHostName(host)) return std::nullopt;

    INTERNET_PORT chosen = fallback;
    if (!portText.empty()) {
        const std::optional<INTERNET_PORT> parsed = ParsePort(portText);
        if (!parsed) return std::nullopt;
        chosen = *parsed;
    }
    return ServerAddress{std::string(host), ipv6, chosen};
}

}  // namespace quenvar::platform
