#include "linux/registry/ValueCodec.h"

#include "linux/kernel/CodePage.h"

#include <string>
#include <string_view>

namespace quenvar::platform {

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

std::vector<BYTE> EncodeValueData(DWORD type, const BYTE* data, DWORD size)
{
    if (!IsStringType(type) || size == 0) return std::vector<BYTE>(data, data + size);
    std::u16string wide = AnsiToWide({reinterpret_cast<const char*>(data), size});
    if (type != REG_MULTI_SZ && wide.back() != u'\0') wide.push_back(u'\0');
    std::vector<BYTE> stored;
    stored.reserve(wide.size() * 2);
    for (const char16_t unit : wide) {
        stored.push_back(static_cast<BYTE>(unit & 0xFF));
        stored.push_back(static_cast<BYTE>(unit >> 8));
    }
    return stored;
}

std::vector<BYTE> EncodeWideValueData(DWORD type, const BYTE* data, DWORD size)
{
    std::vector<BYTE> stored(data, data + size);
    const bool terminated = size >= 2 && data[size - 1] == 0 && data[size - 2] == 0;
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && size != 0 && !terminated) {
        stored.resize(size + size % 2 + 2, 0);
    }
    return stored;
}

std::vector<BYTE> DecodeValueData(DWORD type, const std::vector<BYTE>& stored)
{
    if (!IsStringType(type)) return stored;
    std::u16string wide;
    wide.reserve(stored.size() / 2);
    for (std::size_t i = 0; i + 1 < stored.size(); i += 2) {
        wide.push_back(static_cast<char16_t>(stored[i] | (stored[i + 1] << 8)));
    }
    const std::string ansi = WideToAnsi(wide);
    return std::vector<BYTE>(ansi.begin(), ansi.end());
}

}  // namespace quenvar::platform
