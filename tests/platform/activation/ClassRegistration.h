// Writes the registry entries of test classes into the test's private registry.
#pragma once

#include "platform/Win32.h"

#include <gtest/gtest.h>

#include <string>

namespace quenvar::testing {

// Sets the default value of HKCR\<subKey> (creating the key), with the type given.
inline void SetClassesRootText(const std::string& subKey, const std::string& text, DWORD type = REG_SZ)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// As SetClassesRootText, through the wide calls: names and text that no ANSI code page holds.
inline void SetClassesRootWideText(const std::u16string& subKey, const std::u16string& text)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(char16_t))),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

inline std::string GuidText(REFGUID guid)
{
    OLECHAR wide[kGuidStringLength];
    StringFromGUID2(guid, wide, kGuidStringLength);
    return std::string(wide, wide + kGuidStringLength - 1);
}

// HKCR\CLSID\{clsid}\InprocServer32 naming `library`.
inline void RegisterInprocServer(REFCLSID clsid, const std::string& library, DWORD type = REG_SZ)
{
    SetClassesRootText("CLSID\\" + GuidText(clsid) + "\\InprocServer32", library, type);
}

}  // namespace quenvar::testing
