// What RegisterTypeLib, UnRegisterTypeLib and LoadRegTypeLib share: the keys under
// HKEY_CLASSES_ROOT where type libraries and their interfaces are registered, and small
// registry helpers on the ANSI calls.
#pragma once

#include "platform/UniqueHandle.h"

#include <optional>
#include <string>
#include <vector>

namespace quenvar::platform {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper-case hexadecimal.
std::string FormatGuid(REFGUID guid);
// "TypeLib\{libid}".
std::string LibraryKeyPath(REFGUID libid);
// Versions and locales are written in hexadecimal: version 10.0 is "a.0", locale 0x409 "409".
std::string VersionKeyName(WORD major, WORD minor);
std::string LocaleKeyName(LCID lcid);
// "win16", "win32", "mac" or "win64"; nothing for another value.
std::optional<std::string> SysKindKeyName(SYSKIND sysKind);
// Parses a version key name; false for anything but two hexadecimal numbers of up to 16 bits.
bool ParseVersionKeyName(const std::string& name, WORD& major, WORD& minor);
bool ParseLocaleKeyName(const std::string& name, LCID& lcid);

// The names of a key's subkeys; a Win32 code on failure.
[[nodiscard]] LONG SubkeyNames(HKEY key, std::vector<std::string>& names);
// The string value `name` (NULL: the default value) of `key\subKey`; ERROR_FILE_NOT_FOUND when
// the key or the value is missing or the value is no string.
[[nodiscard]] LONG ReadString(HKEY key, const std::string& subKey, LPCSTR name, std::string& text);

// Type libraries keep paths in UTF-16; the registry's A calls take the ANSI code page.
std::string ToAnsi(std::u16string_view text);
std::u16string FromAnsi(std::string_view text);

// The interfaces registered with a library: dispatch interfaces (dual ones included) and
// interfaces marked for OLE Automation, with the proxy class that marshals them.
struct RegisteredInterface {
    GUID iid;
    std::string name;
    GUID proxyStub;
};
[[nodiscard]] HRESULT RegisteredInterfaces(ITypeLib* library, std::vector<RegisteredInterface>& interfaces) noexcept;

}  // namespace quenvar::platform
