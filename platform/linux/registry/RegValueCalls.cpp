// The value calls of the registry: set, query, enumerate and delete the values of a key.
#include "platform/Win32.h"

#include "linux/registry/CallerBuffers.h"
#include "linux/registry/KeyNames.h"
#include "linux/registry/RegistryCall.h"
#include "linux/registry/TextForm.h"
#include "linux/registry/ValueCodec.h"
#include "linux/registry/ValueStore.h"

namespace {

using namespace quenvar::platform;

// Numbers of the wrong width are refused rather than stored as something no reader expects.
bool FitsType(DWORD type, DWORD size)
{
    return (type != REG_DWORD || size == sizeof(DWORD)) && (type != REG_QWORD || size == sizeof(ULONGLONG));
}

template <typename Char>
LONG SetValue(const char* faultPoint, HKEY key, const Char* valueName, DWORD type, const BYTE* data, DWORD size)
{
    return Boundary(faultPoint, kRegistryFailure, [&]() -> LONG {
        if ((data == nullptr && size != 0) || !FitsType(type, size)) return ERROR_INVALID_PARAMETER;
        const std::u16string name = TextForm<Char>::In(valueName);
        RegistryCall call;
        KeyHandle handle{};
        DWORD code = CheckValueName(name);
        const std::vector<BYTE> stored = TextForm<Char>::DataIn(type, data, size);
        if (code == ERROR_SUCCESS) code = call.Begin(/*write=*/true);
        if (code == ERROR_SUCCESS) code = call.Resolve(key, KEY_SET_VALUE, handle);
        if (code == ERROR_SUCCESS) code = PutValue(call.database(), handle.key, name, type, stored);
        if (code == ERROR_SUCCESS) code = call.Commit();
        return static_cast<LONG>(code);
    });
}

template <typename Char>
LONG QueryValue(const char* faultPoint, HKEY key, const Char* valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                LPDWORD size)
{
    return Boundary(faultPoint, kRegistryFailure, [&]() -> LONG {
        if (reserved != nullptr || (data != nullptr && size == nullptr)) return ERROR_INVALID_PARAMETER;
        const std::u16string name = TextForm<Char>::In(valueName);
        RegistryCall call;
        KeyHandle handle{};
        StoredValue value{};
        bool found = false;
        DWORD code = CheckValueName(name);
        if (code == ERROR_SUCCESS) code = call.Begin(/*write=*/false);
        if (code == ERROR_SUCCESS) code = call.Resolve(key, KEY_QUERY_VALUE, handle);
        if (code == ERROR_SUCCESS) code = FindValue(call.database(), handle.key, name, value, found);
        if (code == ERROR_SUCCESS) code = call.Commit();
        if (code == ERROR_SUCCESS && !found) code = ERROR_FILE_NOT_FOUND;
        if (code != ERROR_SUCCESS) return static_cast<LONG>(code);
        return CopyValueData(value.type, TextForm<Char>::DataOut(value.type, value.data), type, data, size);
    });
}

// A name buffer too small gets ERROR_MORE_DATA and nothing else; a data buffer too small gets
// ERROR_MORE_DATA with the type and the size needed, and no name.
template <typename Char>
LONG EnumValue(const char* faultPoint, HKEY key, DWORD index, Char* valueName, LPDWORD valueNameLength,
               LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    return Boundary(faultPoint, kRegistryFailure, [&]() -> LONG {
        if (valueName == nullptr || valueNameLength == nullptr || reserved != nullptr ||
            (data != nullptr && dataSize == nullptr)) {
            return ERROR_INVALID_PARAMETER;
        }
        RegistryCall call;
        KeyHandle handle{};
        StoredValue value{};
        bool found = false;
        DWORD code = call.Begin(/*write=*/false);
        if (code == ERROR_SUCCESS) code = call.Resolve(key, KEY_QUERY_VALUE, handle);
        if (code == ERROR_SUCCESS) code = ValueAt(call.database(), handle.key, index, value, found);
        if (code == ERROR_SUCCESS) code = call.Commit();
        if (code == ERROR_SUCCESS && !found) code = ERROR_NO_MORE_ITEMS;
        if (code != ERROR_SUCCESS) return static_cast<LONG>(code);
        const auto name = TextForm<Char>::Out(value.name);
        if (name.size() >= *valueNameLength) return static_cast<DWORD>(ERROR_MORE_DATA);
        code = CopyValueData(value.type, TextForm<Char>::DataOut(value.type, value.data), type, data, dataSize);
        return code == ERROR_SUCCESS ? CopyName(name, valueName, valueNameLength) : code;
    });
}

template <typename Char>
LONG DeleteValue(const char* faultPoint, HKEY key, const Char* valueName)
{
    return Boundary(faultPoint, kRegistryFailure, [&]() -> LONG {
        const std::u16string name = TextForm<Char>::In(valueName);
        RegistryCall call;
        KeyHandle handle{};
        bool removed = false;
        DWORD code = CheckValueName(name);
        if (code == ERROR_SUCCESS) code = call.Begin(/*write=*/true);
        if (code == ERROR_SUCCESS) code = call.Resolve(key, KEY_SET_VALUE, handle);
        if (code == ERROR_SUCCESS) code = RemoveValue(call.database(), handle.key, name, removed);
        if (code == ERROR_SUCCESS && !removed) code = ERROR_FILE_NOT_FOUND;
        if (code == ERROR_SUCCESS) code = call.Commit();
        return static_cast<LONG>(code);
    });
}

}  // namespace

extern "C" {

LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD /*reserved*/, DWORD type, const BYTE* data,
                           DWORD size) noexcept
{
    return SetValue("RegSetValueExA", key, valueName, type, data, size);
}

LONG WINAPI RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD /*reserved*/, DWORD type, const BYTE* data,
                           DWORD size) noexcept
{
    return SetValue("RegSetValueExW", key, valueName, type, data, size);
}

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD size) noexcept
{
    return QueryValue("RegQueryValueExA", key, valueName, reserved, type, data, size);
}

LONG WINAPI RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD size) noexcept
{
    return QueryValue("RegQueryValueExW", key, valueName, reserved, type, data, size);
}

LONG WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR valueName, LPDWORD valueNameLength, LPDWORD reserved,
                          LPDWORD type, LPBYTE data, LPDWORD dataSize) noexcept
{
    return EnumValue("RegEnumValueA", key, index, valueName, valueNameLength, reserved, type, data, dataSize);
}

LONG WINAPI RegEnumValueW(HKEY key, DWORD index, LPWSTR valueName, LPDWORD valueNameLength, LPDWORD reserved,
                          LPDWORD type, LPBYTE data, LPDWORD dataSize) noexcept
{
    return EnumValue("RegEnumValueW", key, index, valueName, valueNameLength, reserved, type, data, dataSize);
}

LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName) noexcept
{
    return DeleteValue("RegDeleteValueA", key, valueName);
}

LONG WINAPI RegDeleteValueW(HKEY key, LPCWSTR valueName) noexcept
{
    return DeleteValue("RegDeleteValueW", key, valueName);
}

}  // extern "C"
