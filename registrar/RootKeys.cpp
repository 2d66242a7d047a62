#include "registrar/RootKeys.h"

namespace quenvar {
namespace {

struct RootKeyName {
    const char* name;
    ULONG_PTR key;  // the predefined handle's value; HKEY itself is not a literal type
};

// Predefined handles are 32-bit values sign-extended to the width of a pointer.
constexpr ULONG_PTR Predefined(DWORD value) { return static_cast<ULONG_PTR>(static_cast<LONG>(value)); }

// Searched in this order; dynamic data comes before current configuration.
constexpr RootKeyName kRootKeyTable[] = {
    {"HKCR", Predefined(0x80000000)},
    {"HKCU", Predefined(0x80000001)},
    {"HKLM", Predefined(0x80000002)},
    {"HKU", Predefined(0x80000003)},
    {"HKPD", Predefined(0x80000004)},
    {"HKDD", Predefined(0x80000006)},
    {"HKCC", Predefined(0x80000005)},
    {"HKEY_CLASSES_ROOT", Predefined(0x80000000)},
    {"HKEY_CURRENT_USER", Predefined(0x80000001)},
    {"HKEY_LOCAL_MACHINE", Predefined(0x80000002)},
    {"HKEY_USERS", Predefined(0x80000003)},
    {"HKEY_PERFORMANCE_DATA", Predefined(0x80000004)},
    {"HKEY_DYN_DATA", Predefined(0x80000006)},
    {"HKEY_CURRENT_CONFIG", Predefined(0x80000005)},
};

}  // namespace

HKEY FindRootKey(LPCSTR name) noexcept
{
    for (const RootKeyName& row : kRootKeyTable) {
        if (lstrcmpiA(row.name, name) == 0) return reinterpret_cast<HKEY>(row.key);
    }
    return nullptr;
}

}  // namespace quenvar
