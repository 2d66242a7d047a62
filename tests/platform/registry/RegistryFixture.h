// What the registry tests share: a private registry per test, an owner for key handles, and
// short forms of the calls the tests make over and over.
#pragma once

#include "platform/UniqueHandle.h"
#include "platform/Win32.h"
#include "platform/test_support/FaultInjection.h"
#include "platform/test_support/RegistryTesting.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace quenvar::testing {

class RegistryTest : public ::testing::Test {
protected:
    static UniqueKey Create(HKEY parent, const char* path, REGSAM access = KEY_ALL_ACCESS)
    {
        UniqueKey key;
        EXPECT_EQ(RegCreateKeyExA(parent, path, 0, nullptr, 0, access, nullptr, key.put(), nullptr), ERROR_SUCCESS)
            << path;
        return key;
    }

    static LONG Open(HKEY parent, const char* path, UniqueKey& key, REGSAM access = KEY_ALL_ACCESS)
    {
        return RegOpenKeyExA(parent, path, 0, access, key.put());
    }

    static bool Exists(HKEY parent, const char* path)
    {
        UniqueKey key;
        return Open(parent, path, key, KEY_READ) == ERROR_SUCCESS;
    }

    static LONG SetString(HKEY key, const char* name, const std::string& text)
    {
        return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1));
    }

    static LONG SetDword(HKEY key, const char* name, DWORD number)
    {
        return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    }

    // The string a value holds, or nothing when it cannot be read.
    static std::optional<std::string> QueryString(HKEY key, const char* name)
    {
        char buffer[1024];
        DWORD size = sizeof buffer;
        DWORD type = REG_NONE;
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
            type != REG_SZ || size == 0) {
            return std::nullopt;
        }
        return std::string(buffer, size - 1);
    }

    struct Counts {
        DWORD subkeys;
        DWORD values;
    };
    static Counts CountsOf(HKEY key)
    {
        Counts counts{~0u, ~0u};
        EXPECT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &counts.subkeys, nullptr, nullptr, &counts.values,
                                   nullptr, nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
        return counts;
    }

    ScopedPrivateRegistry registry_;
};

}  // namespace quenvar::testing
