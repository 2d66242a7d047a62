#include "registrar/RegKey.h"
#include "registrar/RootKeys.h"

#include "RegistrySnapshot.h"

#include <gtest/gtest.h>

namespace quenvar {
namespace {

using testing::RegistryTest;
using testing::ScopedFault;
using testing::Snapshot;
using testing::TakeSnapshot;

TEST(RootKeys, FindsShortAndLongNamesIgnoringCase)
{
    struct Case {
        const char* name;
        HKEY key;
    };
    const Case cases[] = {
        {"HKCR", HKEY_CLASSES_ROOT},
        {"hkcr", HKEY_CLASSES_ROOT},
        {"HKEY_classes_root", HKEY_CLASSES_ROOT},
        {"HKCU", HKEY_CURRENT_USER},
        {"hklm", HKEY_LOCAL_MACHINE},
        {"HKU", HKEY_USERS},
        {"HKPD", HKEY_PERFORMANCE_DATA},
        {"HKDD", HKEY_DYN_DATA},
        {"HKCC", HKEY_CURRENT_CONFIG},
        {"HKEY_DYN_DATA", HKEY_DYN_DATA},
        {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
        {"HKEY_CLASSES", nullptr},
        {"HKCR ", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindRootKey(c.name), c.key);
    }
}

class RegKeyTest : public RegistryTest {
protected:
    static void CreateKey(const char* path)
    {
        RegKey key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, path), ERROR_SUCCESS) << path;
    }
};

TEST_F(RegKeyTest, RecurseDeleteRemovesWholeTreeOrStopsAtFirstFailure)
{
    //   HKCU\Tree\A\A1\A1x, Tree\A\A2, Tree\B\B1, Tree\C; and HKCU\Other stays.
    for (const char* path : {"Tree\\A\\A1\\A1x", "Tree\\A\\A2", "Tree\\B\\B1", "Tree\\C", "Other"}) {
        CreateKey(path);
    }
    LentKey root(HKEY_CURRENT_USER);
    EXPECT_EQ(root->RecurseDeleteKey("Absent"), ERROR_FILE_NOT_FOUND);
    {
        ScopedFault fault("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED);
        EXPECT_EQ(root->RecurseDeleteKey("Tree"), ERROR_ACCESS_DENIED);
    }
    {
        // The first key deleted is a leaf; the second is its parent, which stays with the rest.
        ScopedFault fault("RegDeleteKeyA", 2, ERROR_ACCESS_DENIED);
        EXPECT_EQ(root->RecurseDeleteKey("Tree"), ERROR_ACCESS_DENIED);
    }
    EXPECT_EQ(TakeSnapshot().count("HKCU\\Tree"), 1u);
    EXPECT_EQ(root->RecurseDeleteKey("Tree"), ERROR_SUCCESS);
    EXPECT_EQ(TakeSnapshot(), Snapshot{"HKCU\\Other"});
}

TEST_F(RegKeyTest, ValuesAreWrittenAsStringsWithTheirNulAndAsNumbers)
{
    RegKey key;
    DWORD disposition = 0;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, "Values", nullptr, 0, KEY_ALL_ACCESS, nullptr, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(key.SetStringValue("", nullptr), ERROR_SUCCESS);
    EXPECT_EQ(key.SetStringValue("text", "Named"), ERROR_SUCCESS);
    EXPECT_EQ(key.SetDwordValue(16, "Number"), ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key.get(), nullptr, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(RegQueryValueExA(key.get(), "Number", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(TakeSnapshot(), (Snapshot{"HKCU\\Values", "HKCU\\Values @=sz:", "HKCU\\Values Named=sz:text",
                                        "HKCU\\Values Number=dword:16"}));
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, "Values", nullptr, 0, KEY_ALL_ACCESS, nullptr, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
}

TEST_F(RegKeyTest, FailedOpenKeepsTheKeyHeld)
{
    CreateKey("Held");
    RegKey key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, "Held", KEY_ALL_ACCESS), ERROR_SUCCESS);
    const HKEY held = key.get();
    EXPECT_EQ(key.Open(HKEY_CURRENT_USER, "Absent", KEY_ALL_ACCESS), ERROR_FILE_NOT_FOUND);
    {
        ScopedFault fault("RegCreateKeyExA", 1, ERROR_ACCESS_DENIED);
        EXPECT_EQ(key.Create(HKEY_CURRENT_USER, "New"), ERROR_ACCESS_DENIED);
    }
    EXPECT_EQ(key.get(), held);
    EXPECT_EQ(key.SetStringValue("still usable", nullptr), ERROR_SUCCESS);
    EXPECT_EQ(key.Close(), ERROR_SUCCESS);
    EXPECT_EQ(key.get(), nullptr);
    EXPECT_EQ(key.Close(), ERROR_SUCCESS);
    EXPECT_EQ(TakeSnapshot(), (Snapshot{"HKCU\\Held", "HKCU\\Held @=sz:still usable"}));
}

}  // namespace
}  // namespace quenvar
