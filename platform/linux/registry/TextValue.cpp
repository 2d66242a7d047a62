#include "linux/registry/TextValue.h"

#include "platform/UniqueHandle.h"

namespace quenvar::platform {

LONG ReadTextValue(HKEY key, const std::u16string& subKey, LPCWSTR name, std::u16string& text, DWORD& type)
{
    UniqueKey opened;
    LONG status = RegOpenKeyExW(key, subKey.c_str(), 0, KEY_QUERY_VALUE, opened.put());
    if (status != ERROR_SUCCESS) return status;
    DWORD size = 0;
    status = RegQueryValueExW(opened.get(), name, nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return status;
    std::u16string data(size / sizeof(char16_t) + 1, u'\0');
    status = RegQueryValueExW(opened.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    if (status != ERROR_SUCCESS) return status;
    // The stored text may or may not carry its terminator; it ends at the first NUL either way.
    data.resize(size / sizeof(char16_t));
    data.resize(data.find(u'\0') == std::u16string::npos ? data.size() : data.find(u'\0'));
    text = std::move(data);
    return ERROR_SUCCESS;
}

}  // namespace quenvar::platform
