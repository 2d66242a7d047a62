#include "linux/activation/RegistryText.h"

#include "linux/registry/TextValue.h"

namespace quenvar::platform {

LONG ReadClassesRootText(const std::u16string& subKey, bool allowExpand, std::u16string& text, bool* expand)
{
    std::u16string read;
    DWORD type = REG_NONE;
    const LONG status = ReadTextValue(HKEY_CLASSES_ROOT, subKey, nullptr, read, type);
    if (status != ERROR_SUCCESS) return status;
    if (type != REG_SZ && !(allowExpand && type == REG_EXPAND_SZ)) return ERROR_INVALID_DATA;
    text = std::move(read);
    if (expand != nullptr) *expand = type == REG_EXPAND_SZ;
    return ERROR_SUCCESS;
}

}  // namespace quenvar::platform
