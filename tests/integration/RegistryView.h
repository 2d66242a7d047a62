// Reading the registry the way a person looks at it: through the reg tool's export.
#pragma once

#include "platform/Win32.h"
#include "tests/integration/ServerLibrary.h"

#include <cstdio>
#include <memory>
#include <string>

namespace quenvar::testing {

inline std::string ExportKey(const std::string& key)
{
    const std::string command = BuildPath("bin/reg") + " export '" + key + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), &pclose);
    std::string text;
    char buffer[4096];
    std::size_t read;
    while (pipe && (read = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) text.append(buffer, read);
    return text;
}

// The default value of a key below HKCR, or "<absent>".
inline std::string DefaultValue(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<absent>";
    char value[1024] = "";
    DWORD size = sizeof value;
    const LONG result = RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(value) : "<absent>";
}

// The default value of a key below HKCR as the wide calls give it, or u"<absent>".
inline std::u16string WideDefaultValue(const std::u16string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return u"<absent>";
    char16_t value[1024] = u"";
    DWORD size = sizeof value;
    const LONG result = RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::u16string(value) : u"<absent>";
}

}  // namespace quenvar::testing
