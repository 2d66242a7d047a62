#include "registrar/RegKey.h"

#include <utility>

namespace quenvar {
namespace {

constexpr DWORD kSubkeyNameBuffer = 256;

}  // namespace

RegKey& RegKey::operator=(RegKey&& other) noexcept
{
    if (this != &other) {
        Close();
        key_ = other.Detach();
    }
    return *this;
}

LONG RegKey::Close() noexcept
{
    if (key_ == nullptr) return ERROR_SUCCESS;
    return RegCloseKey(std::exchange(key_, nullptr));
}

LONG RegKey::Open(HKEY parent, LPCSTR name, REGSAM access) noexcept
{
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExA(parent, name, /*options=*/0, access, &opened);
    if (result != ERROR_SUCCESS) return result;
    const LONG closed = Close();
    key_ = opened;
    return closed;
}

LONG RegKey::Create(HKEY parent, LPCSTR name, LPSTR keyClass, DWORD options, REGSAM access,
                    LPSECURITY_ATTRIBUTES security, LPDWORD disposition) noexcept
{
    HKEY created = nullptr;
    DWORD outcome = 0;
    const LONG result =
        RegCreateKeyExA(parent, name, /*reserved=*/0, keyClass, options, access, security, &created, &outcome);
    if (result != ERROR_SUCCESS) return result;
    if (disposition != nullptr) *disposition = outcome;
    const LONG closed = Close();
    key_ = created;
    return closed;
}

LONG RegKey::SetDwordValue(DWORD value, LPCSTR name) noexcept
{
    return RegSetValueExA(key_, name, /*reserved=*/0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG RegKey::SetStringValue(LPCSTR value, LPCSTR name) noexcept
{
    return RegSetValueExA(key_, name, /*reserved=*/0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(lstrlenA(value) + 1));
}

LONG RegKey::RecurseDeleteKey(LPCSTR name) noexcept
{
    RegKey key;
    LONG result = key.Open(key_, name, KEY_ALL_ACCESS);
    if (result != ERROR_SUCCESS) return result;
    // Index 0 every time: each subkey found is gone before the next question.
    for (;;) {
        char subkey[kSubkeyNameBuffer];
        DWORD length = kSubkeyNameBuffer;
        FILETIME lastWrite;
        if (RegEnumKeyExA(key.get(), 0, subkey, &length, nullptr, nullptr, nullptr, &lastWrite) != ERROR_SUCCESS) {
            break;
        }
        result = key.RecurseDeleteKey(subkey);
        if (result != ERROR_SUCCESS) return result;
    }
    key.Close();
    return RegDeleteKeyA(key_, name);
}

void RegKey::Attach(HKEY key) noexcept
{
    Close();
    key_ = key;
}

HKEY RegKey::Detach() noexcept { return std::exchange(key_, nullptr); }

}  // namespace quenvar
