#include "tools/reg/ValueText.h"

#include "tools/support/Utf8Text.h"

#include <cstdio>

namespace quenvar::reg {
namespace {

constexpr std::size_t kWrapColumn = 76;

std::string Quoted(std::u16string_view text)
{
    std::string quoted = "\"";
    for (const char c : tools::Utf8FromWide(text)) {
        if (c == '\\' || c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

std::string HexList(std::string line, const std::vector<BYTE>& bytes)
{
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
        line += hex;
        if (i + 1 == bytes.size()) break;
        line += ',';
        if (line.size() > kWrapColumn) {
            text += line + "\\\n";
            line = "  ";
        }
    }
    return text + line;
}

std::string HexForm(DWORD type)
{
    if (type == REG_BINARY) return "hex:";
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", type);
    return prefix;
}

}  // namespace

std::string FormatValue(std::u16string_view name, DWORD type, const std::vector<BYTE>& data)
{
    const std::string head = (name.empty() ? std::string("@") : Quoted(name)) + "=";
    if (type == REG_SZ) {
        std::u16string text;
        for (std::size_t i = 0; i + 1 < data.size() && (data[i] != 0 || data[i + 1] != 0); i += 2) {
            text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
        }
        return head + Quoted(text);
    }
    if (type == REG_DWORD && data.size() == sizeof(DWORD)) {
        char number[16];
        std::snprintf(number, sizeof number, "dword:%02x%02x%02x%02x", data[3], data[2], data[1], data[0]);
        return head + number;
    }
    return HexList(head + HexForm(type), data);
}

}  // namespace quenvar::reg
