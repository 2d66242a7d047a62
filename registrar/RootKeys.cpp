#include "registrar/RootKeys.h"

namespace quenvar {
namespace {

struct RootKeyName {
    const char* name;
    HKEY key;
};

}  // namespace

HKEY FindRootKey(LPCSTR name) noexcept
{
    // Searched in this order; dynamic data comes before current configuration. The predefined
    // handles are not constant expressions, so the table is built on first use.
    static const RootKeyName kRootKeyTable[] = {
        {"HKCR", HKEY_CLASSES_ROOT},
        {"HKCU", HKEY_CURRENT_USER},
        {"HKLM", HKEY_LOCAL_MACHINE},
        {"HKU", HKEY_USERS},
        {"HKPD", HKEY_PERFORMANCE_DATA},
        {"HKDD", HKEY_DYN_DATA},
        {"HKCC", HKEY_CURRENT_CONFIG},
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"HKEY_USERS", HKEY_USERS},
        {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
        {"HKEY_DYN_DATA", HKEY_DYN_DATA},
        {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    };
    for (const RootKeyName& row : kRootKeyTable) {
        if (lstrcmpiA(row.name, name) == 0) return row.key;
    }
    return nullptr;
}

}  // namespace quenvar
