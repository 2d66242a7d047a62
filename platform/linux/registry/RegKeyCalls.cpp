// The key calls of the registry: open, create, close, delete, enumerate and describe keys.
#include "platform/Win32.h"

#include "linux/registry/CallerBuffers.h"
#include "linux/registry/KeyNames.h"
#include "linux/registry/RegistryCall.h"
#include "linux/registry/TextForm.h"
#include "linux/registry/ValueStore.h"

#include <algorithm>

namespace {

using namespace quenvar::platform;

// The most levels one RegCreateKeyEx may add.
constexpr DWORD kMaxLevelsCreated = 32;

// In the caller's units: ANSI bytes or UTF-16 units.
template <typename Char>
DWORD LongestName(const std::vector<std::u16string>& names)
{
    std::size_t longest = 0;
    for (const std::u16string& name : names) longest = std::max(longest, TextForm<Char>::Out(name).size());
    return static_cast<DWORD>(longest);
}

// Keys carry no class: an empty one is handed out.
template <typename Char>
DWORD CopyEmptyClass(Char* keyClass, LPDWORD keyClassLength)
{
    if (keyClass == nullptr) return ERROR_SUCCESS;
    if (*keyClassLength == 0) return ERROR_MORE_DATA;
    keyClass[0] = Char();
    *keyClassLength = 0;
    return ERROR_SUCCESS;
}

// Finds or adds each level of `names` below `start`; `created` counts the levels added.
DWORD CreatePath(Database& database, const KeyHandle& start, const std::vector<std::u16string>& names, KeyId& key,
                 DWORD& created)
{
    key = start.key;
    created = 0;
    for (const std::u16string& name : names) {
        KeyId next = 0;
        DWORD code = FindSubkey(database, key, name, next);
        if (code == ERROR_SUCCESS && next == 0) {
            if ((start.access & KEY_CREATE_SUB_KEY) == 0) return ERROR_ACCESS_DENIED;
            if (++created > kMaxLevelsCreated) return ERROR_INVALID_PARAMETER;
            code = AddSubkey(database, key, name, next);
        }
        if (code != ERROR_SUCCESS) return code;
        key = next;
    }
    return ERROR_SUCCESS;
}

template <typename Char>
LONG OpenKey(const char* faultPoint, HKEY parent, const Char* subKey, REGSAM access, PHKEY result)
{
    if (result != nullptr) *result = nullptr;
    return Boundary(faultPoint, kRegistryFailure, [&]() -> LONG {
        if (result == nullptr) return ERROR_INVALID_PARAMETER;
        std::vector<std::u16string> names;
        RegistryCall call;
        KeyHandle start{};
        KeyId key = 0;
        DWORD code = SplitKeyPath(TextForm<Char>::In(subKey), names);
        if (code == ERROR_SUCCESS) code = call.Begin(/*write=*/false);
        if (code == ERROR_SUCCESS) code = call.Resolve(parent, 0, start);
        if (code == ERROR_SUCCESS) code = WalkPath(call.database(), start.key, names, key);
        if (code == ERROR_SUCCESS) code = call.Commit();
        if (code == ERROR_SUCCESS) *result = call.handles().Add(key, GrantedAccess(access));
        return static_cast<LONG>(code);
    });
}

// Volatile keys are kept like the others: this registry has no restart at which to forget them.
template <typename Char>
LONG CreateKey(const char* faultPoint, HKEY parent, const Char* subKey, DWORD options, REGSAM access, PHKEY result,
               LPDWORD disposition)
{
    if (result != nullptr) *result = nullptr;
    return Boundary(faultPoint, kRegistryFailure, [&]() -> LONG {
        if (result == nullptr) return ERROR_INVALID_PARAMETER;
        if ((options & ~REG_OPTION_VOLATILE) != 0) return ERROR_INVALID_PARAMETER;
        std::vector<std::u16string> names;
        RegistryCall call;
        KeyHandle start{};
        KeyId key = 0;
        DWORD created = 0;
        DWORD code = SplitKeyPath(TextForm<Char>::In(subKey), names);
        if (code == ERROR_SUCCESS) code = call.Begin(/*write=*/true);
        if (code == ERROR_SUCCESS) code = call.Resolve(parent, 0, start);
        if (code == ERROR_SUCCESS) code = CreatePath(call.database(), start, names, key, created);
        if (code == ERROR_SUCCESS) code = call.Commit();
        if (code != ERROR_SUCCESS) return static_cast<LONG>(code);
        *result = call.handles().Add(key, GrantedAccess(access));
        Store(disposition, created != 0 ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY);
        return ERROR_SUCCESS;
    });
}

// Deleting needs no right on the parent handle.
template <typename Char>
LONG DeleteKey(const char* faultPoint, HKEY parent, const Char* subKey)
{
    return Boundary(faultPoint, kRegistryFailure, [&]() -> LONG {
        if (subKey == nullptr) return ERROR_INVALID_PARAMETER;
        std::vector<std::u16string> names;
        RegistryCall call;
        KeyHandle start{};
        KeyId key = 0;
        bool hasSubkeys = false;
        DWORD code = SplitKeyPath(TextForm<Char>::In(subKey), names);
        if (code == ERROR_SUCCESS) code = call.Begin(/*write=*/true);
        if (code == ERROR_SUCCESS) code = call.Resolve(parent, 0, start);
        if (code == ERROR_SUCCESS) code = WalkPath(call.database(), start.key, names, key);
        if (code == ERROR_SUCCESS) code = HasSubkeys(call.database(), key, hasSubkeys);
        if (code == ERROR_SUCCESS && (hasSubkeys || IsRootKey(key))) code = ERROR_ACCESS_DENIED;
        if (code == ERROR_SUCCESS) code = RemoveKey(call.database(), key);
        if (code == ERROR_SUCCESS) code = call.Commit();
        return static_cast<LONG>(code);
    });
}

template <typename Char>
LONG EnumKey(const char* faultPoint, HKEY key, DWORD index, Char* name, LPDWORD nameLength, LPDWORD reserved,
             Char* keyClass, LPDWORD keyClassLength, PFILETIME lastWriteTime)
{
    return Boundary(faultPoint, kRegistryFailure, [&]() -> LONG {
        if (name == nullptr || nameLength == nullptr || reserved != nullptr ||
            (keyClass != nullptr && keyClassLength == nullptr)) {
            return ERROR_INVALID_PARAMETER;
        }
        RegistryCall call;
        KeyHandle handle{};
        Subkey subkey;
        bool found = false;
        DWORD code = call.Begin(/*write=*/false);
        if (code == ERROR_SUCCESS) code = call.Resolve(key, KEY_ENUMERATE_SUB_KEYS, handle);
        if (code == ERROR_SUCCESS) code = SubkeyAt(call.database(), handle.key, index, subkey, found);
        if (code == ERROR_SUCCESS) code = call.Commit();
        if (code == ERROR_SUCCESS && !found) code = ERROR_NO_MORE_ITEMS;
        if (code == ERROR_SUCCESS && keyClass != nullptr && *keyClassLength == 0) code = ERROR_MORE_DATA;
        if (code == ERROR_SUCCESS) code = CopyName(TextForm<Char>::Out(subkey.name), name, nameLength);
        if (code != ERROR_SUCCESS) return static_cast<LONG>(code);
        if (lastWriteTime != nullptr) *lastWriteTime = ToFileTime(subkey.written);
        return CopyEmptyClass(keyClass, keyClassLength);
    });
}

// Name lengths are counted in the caller's units (for the A form ANSI bytes, so that a buffer of the longest length
// plus one holds every name even on a double-byte code page); the longest data is counted in bytes of the stored form
// (strings in UTF-16), as on the platform.
template <typename Char>
LONG QueryInfoKey(const char* faultPoint, HKEY key, Char* keyClass, LPDWORD keyClassLength, LPDWORD reserved,
                  LPDWORD subKeys, LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                  LPDWORD maxValueNameLength, LPDWORD maxValueLength, LPDWORD securityDescriptorSize,
                  PFILETIME lastWriteTime)
{
    return Boundary(faultPoint, kRegistryFailure, [&]() -> LONG {
        if (reserved != nullptr || (keyClass != nullptr && keyClassLength == nullptr)) return ERROR_INVALID_PARAMETER;
        RegistryCall call;
        KeyHandle handle{};
        std::vector<std::u16string> subkeyNames;
        ValueSizes valueSizes{};
        std::int64_t written = 0;
        DWORD code = call.Begin(/*write=*/false);
        if (code == ERROR_SUCCESS) code = call.Resolve(key, KEY_QUERY_VALUE, handle);
        if (code == ERROR_SUCCESS) code = SubkeyNames(call.database(), handle.key, subkeyNames);
        if (code == ERROR_SUCCESS) code = MeasureValues(call.database(), handle.key, valueSizes);
        if (code == ERROR_SUCCESS) code = LastWritten(call.database(), handle.key, written);
        if (code == ERROR_SUCCESS) code = call.Commit();
        if (code == ERROR_SUCCESS) code = CopyEmptyClass(keyClass, keyClassLength);
        if (code != ERROR_SUCCESS) return static_cast<LONG>(code);
        Store(subKeys, static_cast<DWORD>(subkeyNames.size()));
        Store(maxSubKeyLength, LongestName<Char>(subkeyNames));
        Store(maxClassLength, 0);
        Store(values, static_cast<DWORD>(valueSizes.names.size()));
        Store(maxValueNameLength, LongestName<Char>(valueSizes.names));
        Store(maxValueLength, static_cast<DWORD>(valueSizes.maxDataSize));
        Store(securityDescriptorSize, 0);
        if (lastWriteTime != nullptr) *lastWriteTime = ToFileTime(written);
        return ERROR_SUCCESS;
    });
}

}  // namespace

extern "C" {

LONG WINAPI RegOpenKeyExA(HKEY parent, LPCSTR subKey, DWORD /*options*/, REGSAM access, PHKEY result) noexcept
{
    return OpenKey("RegOpenKeyExA", parent, subKey, access, result);
}

LONG WINAPI RegOpenKeyExW(HKEY parent, LPCWSTR subKey, DWORD /*options*/, REGSAM access, PHKEY result) noexcept
{
    return OpenKey("RegOpenKeyExW", parent, subKey, access, result);
}

LONG WINAPI RegCreateKeyExA(HKEY parent, LPCSTR subKey, DWORD /*reserved*/, LPSTR /*keyClass*/, DWORD options,
                            REGSAM access, LPSECURITY_ATTRIBUTES /*security*/, PHKEY result,
                            LPDWORD disposition) noexcept
{
    return CreateKey("RegCreateKeyExA", parent, subKey, options, access, result, disposition);
}

LONG WINAPI RegCreateKeyExW(HKEY parent, LPCWSTR subKey, DWORD /*reserved*/, LPWSTR /*keyClass*/, DWORD options,
                            REGSAM access, LPSECURITY_ATTRIBUTES /*security*/, PHKEY result,
                            LPDWORD disposition) noexcept
{
    return CreateKey("RegCreateKeyExW", parent, subKey, options, access, result, disposition);
}

// An armed fault leaves the handle open.
LONG WINAPI RegCloseKey(HKEY key) noexcept
{
    return Boundary("RegCloseKey", kRegistryFailure, [&]() -> LONG {
        RegistryCall call;
        return static_cast<LONG>(call.handles().Remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE);
    });
}

LONG WINAPI RegDeleteKeyA(HKEY parent, LPCSTR subKey) noexcept { return DeleteKey("RegDeleteKeyA", parent, subKey); }

LONG WINAPI RegDeleteKeyW(HKEY parent, LPCWSTR subKey) noexcept { return DeleteKey("RegDeleteKeyW", parent, subKey); }

LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved, LPSTR keyClass,
                          LPDWORD keyClassLength, PFILETIME lastWriteTime) noexcept
{
    return EnumKey("RegEnumKeyExA", key, index, name, nameLength, reserved, keyClass, keyClassLength, lastWriteTime);
}

LONG WINAPI RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved, LPWSTR keyClass,
                          LPDWORD keyClassLength, PFILETIME lastWriteTime) noexcept
{
    return EnumKey("RegEnumKeyExW", key, index, name, nameLength, reserved, keyClass, keyClassLength, lastWriteTime);
}

LONG WINAPI RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD keyClassLength, LPDWORD reserved, LPDWORD subKeys,
                             LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                             LPDWORD maxValueNameLength, LPDWORD maxValueLength, LPDWORD securityDescriptorSize,
                             PFILETIME lastWriteTime) noexcept
{
    return QueryInfoKey("RegQueryInfoKeyA", key, keyClass, keyClassLength, reserved, subKeys, maxSubKeyLength,
                        maxClassLength, values, maxValueNameLength, maxValueLength, securityDescriptorSize,
                        lastWriteTime);
}

LONG WINAPI RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, LPDWORD keyClassLength, LPDWORD reserved, LPDWORD subKeys,
                             LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                             LPDWORD maxValueNameLength, LPDWORD maxValueLength, LPDWORD securityDescriptorSize,
                             PFILETIME lastWriteTime) noexcept
{
    return QueryInfoKey("RegQueryInfoKeyW", key, keyClass, keyClassLength, reserved, subKeys, maxSubKeyLength,
                        maxClassLength, values, maxValueNameLength, maxValueLength, securityDescriptorSize,
                        lastWriteTime);
}

}  // extern "C"
