#include "linux/internet/RequestText.h"

#include <algorithm>

namespace quenvar::platform {

bool HasControlCharacter(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

bool IsMethodToken(std::string_view text)
{
    constexpr std::string_view kSymbols = "!#$%&'*+-.^_`|~";
    return !text.empty() && std::all_of(text.begin(), text.end(), [&](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               kSymbols.find(c) != std::string_view::npos;
    });
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

}  // namespace quenvar::platform
