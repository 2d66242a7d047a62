// The whole registry as sorted lines, for comparing what a script left behind:
//   HKCR\Palvex.Palvex              a key
//   HKCR\Palvex.Palvex @=sz:Text    its default value (REG_SZ, without the NUL)
//   HKCU\Key Count=dword:16         a named REG_DWORD
#pragma once

#include "platform/UniqueHandle.h"
#include "platform/test_support/FaultInjection.h"
#include "platform/test_support/RegistryTesting.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace quenvar::testing {

using Snapshot = std::set<std::string>;

inline std::string ValueLine(const std::string& path, const std::string& name, DWORD type, const BYTE* data, DWORD size)
{
    std::string line = path + " " + (name.empty() ? "@" : name) + "=";
    if (type == REG_SZ) return line + "sz:" + std::string(reinterpret_cast<const char*>(data), size > 0 ? size - 1 : 0);
    if (type == REG_DWORD && size == 4) {
        DWORD number = 0;
        std::memcpy(&number, data, 4);
        return line + "dword:" + std::to_string(number);
    }
    return line + "type" + std::to_string(type) + ":" + std::to_string(size) + " bytes";
}

inline void AddKey(HKEY key, const std::string& path, Snapshot& lines)
{
    lines.insert(path);
    for (DWORD index = 0;; ++index) {
        char name[16384];
        BYTE data[4096];
        DWORD nameLength = sizeof name;
        DWORD size = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        lines.insert(ValueLine(path, name, type, data, size));
    }
    for (DWORD index = 0;; ++index) {
        char name[512];  // 255 characters of a double-byte code page
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY subkey = nullptr;
        ASSERT_EQ(RegOpenKeyExA(key, name, 0, KEY_READ, &subkey), ERROR_SUCCESS) << path << "\\" << name;
        AddKey(subkey, path + "\\" + name, lines);
        RegCloseKey(subkey);
    }
}

// Every key and value below the seven roots; a root itself is listed only for its values.
inline Snapshot TakeSnapshot()
{
    const std::pair<HKEY, const char*> roots[] = {
        {HKEY_CLASSES_ROOT, "HKCR"}, {HKEY_CURRENT_USER, "HKCU"},     {HKEY_LOCAL_MACHINE, "HKLM"},
        {HKEY_USERS, "HKU"},         {HKEY_PERFORMANCE_DATA, "HKPD"}, {HKEY_CURRENT_CONFIG, "HKCC"},
        {HKEY_DYN_DATA, "HKDD"},
    };
    Snapshot lines;
    for (const auto& [root, name] : roots) {
        AddKey(root, name, lines);
        lines.erase(name);
    }
    return lines;
}

// Each test on a private, empty registry, in code page 1252 and with no fault armed.
class RegistryTest : public ::testing::Test {
protected:
    ~RegistryTest() override { DisarmFaults(); }

    ScopedPrivateRegistry registry;
};

}  // namespace quenvar::testing
