#include "tools/reg/ExportWriter.h"

#include "platform/UniqueHandle.h"
#include "tools/reg/KeyPath.h"
#include "tools/reg/ValueText.h"
#include "tools/support/Utf8Text.h"

#include <algorithm>
#include <vector>

namespace quenvar::reg {
namespace {

struct KeyInfo {
    DWORD maxNameLength = 0;
    DWORD maxDataSize = 0;
};

LONG QueryInfo(HKEY key, KeyInfo& info)
{
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &info.maxNameLength,
                            &info.maxDataSize, nullptr, nullptr);
}

// The value lines of `key`, the default value's first.
LONG ValueLines(HKEY key, std::vector<std::string>& lines)
{
    KeyInfo info;
    LONG result = QueryInfo(key, info);
    std::vector<char16_t> name;
    std::vector<BYTE> data;
    DWORD index = 0;
    while (result == ERROR_SUCCESS) {
        name.resize(info.maxNameLength + 1);
        data.resize(info.maxDataSize);
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        result = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (result == ERROR_MORE_DATA) {
            // Another writer made a value larger since the sizes were taken: take them again.
            result = QueryInfo(key, info);
            continue;
        }
        if (result != ERROR_SUCCESS) break;
        data.resize(dataSize);
        const std::string line = FormatValue({name.data(), nameLength}, type, data);
        lines.insert(nameLength == 0 ? lines.begin() : lines.end(), line);
        ++index;
    }
    return result;
}

LONG SubkeyNames(HKEY key, std::vector<std::u16string>& names)
{
    char16_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(std::size(name));
        const LONG result = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) return result;
        names.emplace_back(name, length);
    }
    std::sort(names.begin(), names.end(),
              [](const std::u16string& a, const std::u16string& b) { return FoldCase(a) < FoldCase(b); });
    return ERROR_SUCCESS;
}

}  // namespace

LONG ExportKey(HKEY key, const std::u16string& path, std::string& text)
{
    std::vector<std::string> lines;
    std::vector<std::u16string> subkeys;
    LONG result = ValueLines(key, lines);
    if (result == ERROR_SUCCESS) result = SubkeyNames(key, subkeys);
    if (result != ERROR_SUCCESS) return result;
    text += '[' + tools::Utf8FromWide(path) + "]\n";
    for (const std::string& line : lines) text += line + '\n';
    text += '\n';
    const std::u16string prefix = path + u'\\';
    for (const std::u16string& name : subkeys) {
        UniqueKey subkey;
        result = RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, subkey.put());
        if (result == ERROR_SUCCESS) result = ExportKey(subkey.get(), prefix + name, text);
        if (result != ERROR_SUCCESS) return result;
    }
    return ERROR_SUCCESS;
}

}  // namespace quenvar::reg
