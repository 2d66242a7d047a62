#include "linux/registry/HandleTable.h"

namespace quenvar::platform {
namespace {

constexpr REGSAM kGenericRead = 0x80000000;
constexpr REGSAM kGenericWrite = 0x40000000;
constexpr REGSAM kGenericExecute = 0x20000000;
constexpr REGSAM kGenericAll = 0x10000000;
constexpr REGSAM kMaximumAllowed = 0x02000000;
constexpr REGSAM kHandleStep = 4;

// Root rows 1 to 7 in the order of the predefined handle values.
KeyId RootKey(HKEY handle)
{
    const auto value = reinterpret_cast<ULONG_PTR>(handle);
    const auto first = reinterpret_cast<ULONG_PTR>(HKEY_CLASSES_ROOT);
    return value >= first && value <= reinterpret_cast<ULONG_PTR>(HKEY_DYN_DATA) ? static_cast<KeyId>(value - first) + 1
                                                                                 : 0;
}

}  // namespace

REGSAM GrantedAccess(REGSAM requested)
{
    if ((requested & (kGenericAll | kMaximumAllowed)) != 0) return KEY_ALL_ACCESS;
    REGSAM granted = requested & KEY_ALL_ACCESS;
    if ((requested & kGenericRead) != 0) granted |= KEY_READ;
    if ((requested & kGenericWrite) != 0) granted |= KEY_WRITE;
    if ((requested & kGenericExecute) != 0) granted |= KEY_EXECUTE;
    return granted;
}

HKEY HandleTable::Add(KeyId key, REGSAM access)
{
    const ULONG_PTR value = next_;
    handles_.emplace(value, KeyHandle{key, access});
    next_ += kHandleStep;
    return reinterpret_cast<HKEY>(value);
}

bool HandleTable::Find(HKEY handle, KeyHandle& found) const
{
    if (const KeyId root = RootKey(handle); root != 0) {
        found = {root, KEY_ALL_ACCESS};
        return true;
    }
    const auto entry = handles_.find(reinterpret_cast<ULONG_PTR>(handle));
    if (entry == handles_.end()) return false;
    found = entry->second;
    return true;
}

bool HandleTable::Remove(HKEY handle)
{
    return RootKey(handle) != 0 || handles_.erase(reinterpret_cast<ULONG_PTR>(handle)) == 1;
}

}  // namespace quenvar::platform
