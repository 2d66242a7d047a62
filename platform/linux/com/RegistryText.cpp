#include "linux/com/RegistryText.h"

#include "platform/UniqueHandle.h"

#include <cstdlib>

namespace quenvar::platform {
namespace {

struct RegistryKeyTraits {
    using Pointer = HKEY;
    static Pointer Invalid() noexcept { return nullptr; }
    static void Close(Pointer key) noexcept { RegCloseKey(key); }
};
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;

}  // namespace

LONG ReadClassesRootText(const std::string& subKey, bool allowExpand, std::string& text, bool* expand)
{
    UniqueRegistryKey key;
    LONG status = RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_QUERY_VALUE, key.put());
    if (status != ERROR_SUCCESS) return status;
    DWORD type = REG_NONE;
    DWORD size = 0;
    status = RegQueryValueExA(key.get(), nullptr, nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS) return status;
    if (type != REG_SZ && !(allowExpand && type == REG_EXPAND_SZ)) return ERROR_INVALID_DATA;
    std::string data(size, '\0');
    status = RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    if (status != ERROR_SUCCESS) return status;
    // The stored text may or may not carry its terminator; it ends at the first NUL either way.
    data.resize(size);
    data.resize(data.find('\0') == std::string::npos ? data.size() : data.find('\0'));
    text = std::move(data);
    if (expand != nullptr) *expand = type == REG_EXPAND_SZ;
    return ERROR_SUCCESS;
}

std::string ExpandEnvironmentText(const std::string& text)
{
    std::string expanded;
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t open = text.find('%', position);
        const std::size_t close = open == std::string::npos ? std::string::npos : text.find('%', open + 1);
        if (close == std::string::npos) break;
        expanded.append(text, position, open - position);
        const std::string name = text.substr(open + 1, close - open - 1);
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        if (value != nullptr) {
            expanded += value;
            position = close + 1;
        } else {
            // Not a variable: keep the first percent sign and look again from the second one.
            expanded += '%';
            expanded.append(name);
            position = close;
        }
    }
    expanded.append(text, position, std::string::npos);
    return expanded;
}

}  // namespace quenvar::platform
