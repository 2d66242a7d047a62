// What RegisterTypeLib, UnRegisterTypeLib and LoadRegTypeLib share: the keys under
// HKEY_CLASSES_ROOT where type libraries and their interfaces are registered, and small
// registry helpers. Names and values are UTF-16, as type libraries and the registry keep them.
#pragma once

#include "platform/UniqueHandle.h"

#include <optional>
#include <string>
#include <vector>

namespace quenvar::platform {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper-case hexadecimal.
std::u16string FormatGuid(REFGUID guid);
// "TypeLib\{libid}".
std::u16string LibraryKeyPath(REFGUID libid);
// Versions and locales are written in hexadecimal: version 10.0 is "a.0", locale 0x409 "409".
std::u16string VersionKeyName(WORD major, WORD minor);
std::u16string LocaleKeyName(LCID lcid);
// "win16", "win32", "mac" or "win64"; nothing for another value.
std::optional<std::u16string> SysKindKeyName(SYSKIND sysKind);
// Parses a version key name; false for anything but two hexadecimal numbers of up to 16 bits.
bool ParseVersionKeyName(std::u16string_view name, WORD& major, WORD& minor);
bool ParseLocaleKeyName(std::u16string_view name, LCID& lcid);
// Key names compared as the registry compares them, without regard to case.
bool SameKeyName(std::u16string_view left, std::u16string_view right);

// The names of a key's subkeys; a Win32 code on failure.
[[nodiscard]] LONG SubkeyNames(HKEY key, std::vector<std::u16string>& names);
// The string value `name` (NULL: the default value) of `key\subKey`; ERROR_FILE_NOT_FOUND when
// the key or the value is missing or the value is no string.
[[nodiscard]] LONG ReadString(HKEY key, const std::u16string& subKey, LPCWSTR name, std::u16string& text);

// The interfaces registered with a library: dispatch interfaces (dual ones included) and
// interfaces marked for OLE Automation, with the proxy class that marshals them.
struct RegisteredInterface {
    GUID iid;
    std::u16string name;
    GUID proxyStub;
};
[[nodiscard]] HRESULT RegisteredInterfaces(ITypeLib* library, std::vector<RegisteredInterface>& interfaces) noexcept;

}  // namespace quenvar::platform
