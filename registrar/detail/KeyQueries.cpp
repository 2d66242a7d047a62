#include "registrar/detail/KeyQueries.h"

namespace quenvar::detail {
namespace {

constexpr const char* kProtectedKeys[] = {"CLSID", "TYPELIB"};

bool CountOf(HKEY key, DWORD* subkeys, DWORD* values) noexcept
{
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, subkeys, nullptr, nullptr, values, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS;
}

}  // namespace

bool CanDeleteKey(LPCSTR name) noexcept
{
    for (const char* protectedName : kProtectedKeys) {
        if (lstrcmpiA(name, protectedName) == 0) return false;
    }
    return true;
}

bool HasSubkeys(HKEY key) noexcept
{
    DWORD subkeys = 0;
    return CountOf(key, &subkeys, nullptr) && subkeys > 0;
}

bool HasValues(HKEY key) noexcept
{
    DWORD values = 0;
    if (!CountOf(key, nullptr, &values) || values == 0) return false;
    if (values > 1) return true;
    // One value: the default value (it has no name) unless asking for it fails.
    DWORD size = 0;
    if (RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return true;
    return size == 0;
}

}  // namespace quenvar::detail
