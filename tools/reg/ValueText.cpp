#include "tools/reg/ValueText.h"

#include <cstdio>

namespace quenvar::reg {
namespace {

constexpr std::size_t kWrapColumn = 76;

std::u16string AnsiToWide(std::string_view ansi)
{
    if (ansi.empty()) return {};
    const int size = static_cast<int>(ansi.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
    std::u16string wide(static_cast<std::size_t>(length), u'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), length);
    return wide;
}

std::string Quoted(std::string_view ansi)
{
    std::string quoted = "\"";
    for (const char c : AnsiToUtf8(ansi)) {
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

std::string AnsiToUtf8(std::string_view ansi)
{
    const std::u16string wide = AnsiToWide(ansi);
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::string FormatValue(std::string_view name, DWORD type, const std::vector<BYTE>& data)
{
    const std::string head = (name.empty() ? std::string("@") : Quoted(name)) + "=";
    if (type == REG_SZ) {
        const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
        return head + Quoted(text.substr(0, text.find('\0')));
    }
    if (type == REG_DWORD && data.size() == sizeof(DWORD)) {
        char number[16];
        std::snprintf(number, sizeof number, "dword:%02x%02x%02x%02x", data[3], data[2], data[1], data[0]);
        return head + number;
    }
    if (type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        std::vector<BYTE> utf16;
        for (const char16_t unit : AnsiToWide({reinterpret_cast<const char*>(data.data()), data.size()})) {
            utf16.push_back(static_cast<BYTE>(unit & 0xFF));
            utf16.push_back(static_cast<BYTE>(unit >> 8));
        }
        return HexList(head + HexForm(type), utf16);
    }
    return HexList(head + HexForm(type), data);
}

}  // namespace quenvar::reg
