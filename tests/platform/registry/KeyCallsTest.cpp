#include "RegistryFixture.h"

#include <string>
#include <vector>

namespace quenvar::testing {
namespace {

using KeyCalls = RegistryTest;

std::vector<std::string> SubkeyNames(HKEY key)
{
    std::vector<std::string> names;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

TEST_F(KeyCalls, CreateAddsMissingLevelsAndTellsCreatedFromOpened)
{
    DWORD disposition = 0;
    UniqueKey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "Alpha\\Beta\\Gamma", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.put(), &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_TRUE(Exists(HKEY_CLASSES_ROOT, "Alpha\\Beta"));
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "ALPHA\\beta\\gamma\\", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.put(), &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    // Names keep the case they were first written in.
    UniqueKey alpha = Create(HKEY_CLASSES_ROOT, "alpha");
    EXPECT_EQ(SubkeyNames(alpha.get()), std::vector<std::string>{"Beta"});
    // The roots are separate trees: classes are not merged into the machine's or the user's.
    EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, "Software\\Classes\\Alpha"));
    EXPECT_FALSE(Exists(HKEY_CURRENT_USER, "Software\\Classes\\Alpha"));
}

TEST_F(KeyCalls, PathRules)
{
    UniqueKey existing = Create(HKEY_CURRENT_USER, "Present\\Child");
    const std::string longest(255, 'n');
    const std::string tooLong(256, 'n');
    const std::string levels32 = [] {
        std::string path = "Deep";
        for (int i = 1; i < 32; ++i) path += "\\L" + std::to_string(i);
        return path;
    }();
    struct Case {
        std::string path;
        LONG open;
        LONG create;
    };
    const Case cases[] = {
        {"Present\\Child", ERROR_SUCCESS, ERROR_SUCCESS},
        {"present\\CHILD\\", ERROR_SUCCESS, ERROR_SUCCESS},
        {"Absent", ERROR_FILE_NOT_FOUND, ERROR_SUCCESS},
        {"Present\\\\Child", ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER},
        {"\\Present", ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER},
        {longest, ERROR_FILE_NOT_FOUND, ERROR_SUCCESS},
        {tooLong, ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER},
        {levels32, ERROR_FILE_NOT_FOUND, ERROR_SUCCESS},
        {"Fresh\\" + levels32, ERROR_FILE_NOT_FOUND, ERROR_INVALID_PARAMETER},
        // The existing first level leaves 32 to create.
        {"Present\\" + levels32, ERROR_FILE_NOT_FOUND, ERROR_SUCCESS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.substr(0, 40));
        HKEY key = reinterpret_cast<HKEY>(1);
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, c.path.c_str(), 0, KEY_READ, &key), c.open);
        if (c.open != ERROR_SUCCESS) {
            EXPECT_EQ(key, nullptr);
        }
        RegCloseKey(key);
        key = reinterpret_cast<HKEY>(1);
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, c.path.c_str(), 0, nullptr, 0, KEY_READ, nullptr, &key, nullptr),
                  c.create);
        if (c.create != ERROR_SUCCESS) {
            EXPECT_EQ(key, nullptr);
        }
        RegCloseKey(key);
    }
    EXPECT_FALSE(Exists(HKEY_CURRENT_USER, "Fresh"));  // the refused creation added nothing
}

TEST_F(KeyCalls, NullOrEmptySubkeyOpensTheKeyItself)
{
    UniqueKey parent = Create(HKEY_CURRENT_USER, "Self");
    ASSERT_EQ(SetDword(parent.get(), "Mark", 7), ERROR_SUCCESS);
    for (const char* path : {static_cast<const char*>(nullptr), ""}) {
        UniqueKey again;
        ASSERT_EQ(Open(parent.get(), path, again), ERROR_SUCCESS);
        EXPECT_NE(again.get(), parent.get());
        EXPECT_EQ(CountsOf(again.get()).values, 1u);
    }
}

TEST_F(KeyCalls, DeleteRules)
{
    UniqueKey tree = Create(HKEY_CURRENT_USER, "Tree\\Branch\\Leaf");
    UniqueKey readOnly;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "Tree", readOnly, KEY_READ), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Tree"), ERROR_ACCESS_DENIED);  // it has subkeys
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Nothing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);  // a root stays
    EXPECT_EQ(RegDeleteKeyA(HKEY_DYN_DATA, ""), ERROR_ACCESS_DENIED);      // even an empty one
    ASSERT_EQ(SetString(tree.get(), "Kept", "no"), ERROR_SUCCESS);
    // A path below the handle, and the handle's own rights do not matter.
    EXPECT_EQ(RegDeleteKeyA(readOnly.get(), "branch\\LEAF"), ERROR_SUCCESS);
    EXPECT_TRUE(Exists(HKEY_CURRENT_USER, "Tree\\Branch"));
    UniqueKey branch;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "Tree\\Branch", branch), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(branch.get(), ""), ERROR_SUCCESS);  // the key the handle denotes
    EXPECT_FALSE(Exists(HKEY_CURRENT_USER, "Tree\\Branch"));
    // The values went with the key.
    UniqueKey leaf = Create(HKEY_CURRENT_USER, "Tree\\Branch\\Leaf");
    EXPECT_EQ(CountsOf(leaf.get()).values, 0u);
}

TEST_F(KeyCalls, EnumerationSizesOrderAndEnd)
{
    UniqueKey parent = Create(HKEY_LOCAL_MACHINE, "List");
    for (const char* name : {"b", "C", "a", "\xC9t\xE9"}) Create(parent.get(), name);
    EXPECT_EQ(SubkeyNames(parent.get()), (std::vector<std::string>{"a", "b", "C", "\xC9t\xE9"}));

    char name[8] = "xxxxxxx";
    DWORD length = 1;  // room for the NUL only
    EXPECT_EQ(RegEnumKeyExA(parent.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(length, 1u);
    length = 2;
    FILETIME written{};
    char keyClass[4] = "xx";
    DWORD classLength = sizeof keyClass;
    ASSERT_EQ(RegEnumKeyExA(parent.get(), 0, name, &length, nullptr, keyClass, &classLength, &written), ERROR_SUCCESS);
    EXPECT_EQ(length, 1u);
    EXPECT_STREQ(name, "a");
    EXPECT_EQ(classLength, 0u);
    EXPECT_STREQ(keyClass, "");
    EXPECT_NE(written.dwHighDateTime, 0u);
    length = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(parent.get(), 4, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    // Once index 0 is gone, the next key is index 0: the walk of a recursive delete.
    ASSERT_EQ(RegDeleteKeyA(parent.get(), "a"), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(parent.get()).front(), "b");

    DWORD subkeys = 0;
    DWORD longest = 0;
    ASSERT_EQ(RegQueryInfoKeyA(parent.get(), nullptr, nullptr, nullptr, &subkeys, &longest, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeys, 3u);
    EXPECT_EQ(longest, 3u);
}

TEST_F(KeyCalls, NamesFoldCaseAcrossCodePages)
{
    UniqueKey accented = Create(HKEY_CURRENT_USER, "\xC9T\xC9");  // "ÉTÉ" in 1252
    EXPECT_TRUE(Exists(HKEY_CURRENT_USER, "\xE9t\xE9"));
    ScopedAnsiCodePage codePage(932);
    // 0x95 0x5C is one character whose trail byte is '\': one key, not two.
    UniqueKey table = Create(HKEY_CURRENT_USER, "\x95\x5C");
    EXPECT_EQ(SubkeyNames(HKEY_CURRENT_USER), (std::vector<std::string>{"?T?", "\x95\x5C"}));
    // Full-width Latin letters fold like the narrow ones.
    UniqueKey wide = Create(table.get(), "\x82\x60");  // FULLWIDTH A
    EXPECT_TRUE(Exists(table.get(), "\x82\x81"));      // FULLWIDTH a
    DWORD longest = 0;
    ASSERT_EQ(RegQueryInfoKeyA(HKEY_CURRENT_USER, nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(longest, 3u);  // in ANSI bytes
}

}  // namespace
}  // namespace quenvar::testing
