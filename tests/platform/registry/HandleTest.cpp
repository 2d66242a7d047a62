#include "RegistryFixture.h"

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace quenvar::testing {
namespace {

using Handles = RegistryTest;

// Every call that takes a key handle, each answering the code it gets.
struct KeyUse {
    const char* call;
    REGSAM needed;  // the right the call needs on the handle; 0 for none
    std::function<LONG(HKEY)> run;
};

std::vector<KeyUse> KeyUses()
{
    return {
        {"RegOpenKeyExA", 0,
         [](HKEY key) {
             HKEY opened = nullptr;
             const LONG result = RegOpenKeyExA(key, nullptr, 0, KEY_READ, &opened);
             RegCloseKey(opened);
             return result;
         }},
        {"RegCreateKeyExA", KEY_CREATE_SUB_KEY,
         [](HKEY key) {
             HKEY created = nullptr;
             const LONG result = RegCreateKeyExA(key, "New", 0, nullptr, 0, KEY_READ, nullptr, &created, nullptr);
             RegCloseKey(created);
             return result;
         }},
        {"RegSetValueExA", KEY_SET_VALUE,
         [](HKEY key) {
             const DWORD number = 1;
             return RegSetValueExA(key, "V", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
         }},
        {"RegQueryValueExA", KEY_QUERY_VALUE,
         [](HKEY key) { return RegQueryValueExA(key, "Present", nullptr, nullptr, nullptr, nullptr); }},
        {"RegEnumValueA", KEY_QUERY_VALUE,
         [](HKEY key) {
             char name[16];
             DWORD length = sizeof name;
             return RegEnumValueA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
         }},
        {"RegQueryInfoKeyA", KEY_QUERY_VALUE,
         [](HKEY key) {
             return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr);
         }},
        {"RegEnumKeyExA", KEY_ENUMERATE_SUB_KEYS,
         [](HKEY key) {
             char name[16];
             DWORD length = sizeof name;
             return RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
         }},
        {"RegDeleteValueA", KEY_SET_VALUE, [](HKEY key) { return RegDeleteValueA(key, "Absent"); }},
        {"RegDeleteKeyA", 0, [](HKEY key) { return RegDeleteKeyA(key, "Absent"); }},
    };
}

TEST_F(Handles, WrongHandlesFailCleanly)
{
    HKEY closed = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Gone", 0, nullptr, 0, KEY_READ, nullptr, &closed, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
    SetLastError(1234);
    for (HKEY wrong : {static_cast<HKEY>(nullptr), reinterpret_cast<HKEY>(0x1234), closed,
                       reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000007))}) {
        for (const KeyUse& use : KeyUses()) {
            SCOPED_TRACE(use.call);
            EXPECT_EQ(use.run(wrong), ERROR_INVALID_HANDLE);
        }
        EXPECT_EQ(RegCloseKey(wrong), ERROR_INVALID_HANDLE);
    }
    EXPECT_EQ(GetLastError(), 1234u);  // results come back as return values only
    // Closing a root is harmless, and it stays usable.
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
    EXPECT_TRUE(Exists(HKEY_CURRENT_USER, "Gone"));
}

TEST_F(Handles, RememberTheirAccess)
{
    UniqueKey full = Create(HKEY_CURRENT_USER, "Guarded\\Child");
    ASSERT_EQ(SetDword(full.get(), "Present", 1), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(full.get(), "Absent", 1), ERROR_SUCCESS);  // for the delete to find
    struct Case {
        const char* what;
        REGSAM access;
    };
    const Case cases[] = {
        {"KEY_READ", KEY_READ}, {"KEY_WRITE", KEY_WRITE},        {"GENERIC_READ", 0x80000000},
        {"no rights", 0},       {"MAXIMUM_ALLOWED", 0x02000000},
    };
    for (const Case& c : cases) {
        UniqueKey key;
        ASSERT_EQ(Open(HKEY_CURRENT_USER, "Guarded\\Child", key, c.access), ERROR_SUCCESS);
        const REGSAM granted = c.access == 0x80000000 ? KEY_READ : c.access == 0x02000000 ? KEY_ALL_ACCESS : c.access;
        for (const KeyUse& use : KeyUses()) {
            SCOPED_TRACE(std::string(c.what) + " " + use.call);
            const LONG result = use.run(key.get());
            if ((granted & use.needed) == use.needed) {
                EXPECT_NE(result, ERROR_ACCESS_DENIED);
            } else {
                EXPECT_EQ(result, ERROR_ACCESS_DENIED);
            }
        }
        ASSERT_EQ(SetDword(full.get(), "Absent", 1), ERROR_SUCCESS);
        RegDeleteKeyA(full.get(), "New");
    }
    // Creating needs no right when the key already exists.
    UniqueKey readOnly;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "Guarded", readOnly, KEY_READ), ERROR_SUCCESS);
    UniqueKey child;
    EXPECT_EQ(RegCreateKeyExA(readOnly.get(), "child", 0, nullptr, 0, KEY_READ, nullptr, child.put(), nullptr),
              ERROR_SUCCESS);
}

TEST_F(Handles, KeyDeletedThroughAnotherHandle)
{
    UniqueKey doomed = Create(HKEY_CURRENT_USER, "Doomed");
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Doomed"), ERROR_SUCCESS);
    // A key of the same name made afterwards is another key.
    UniqueKey successor = Create(HKEY_CURRENT_USER, "Doomed");
    for (const KeyUse& use : KeyUses()) {
        SCOPED_TRACE(use.call);
        EXPECT_EQ(use.run(doomed.get()), ERROR_KEY_DELETED);
    }
    EXPECT_EQ(RegCloseKey(doomed.release()), ERROR_SUCCESS);
}

TEST_F(Handles, ReopenLeavesOldHandlesInvalidAndDataIntact)
{
    UniqueKey key = Create(HKEY_CURRENT_USER, "Durable");
    ASSERT_EQ(SetString(key.get(), "Text", "kept"), ERROR_SUCCESS);
    ReopenRegistry();
    EXPECT_EQ(SetString(key.get(), "Text", "lost"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(key.release()), ERROR_INVALID_HANDLE);
    UniqueKey again;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "Durable", again), ERROR_SUCCESS);
    EXPECT_EQ(QueryString(again.get(), "Text"), "kept");
}

TEST_F(Handles, ManyThreadsAtOnce)
{
    constexpr int kThreads = 8;
    constexpr int kKeys = 25;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            for (int k = 0; k < kKeys; ++k) {
                const std::string path = "Threads\\T" + std::to_string(t) + "\\K" + std::to_string(k);
                HKEY key = nullptr;
                if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                    nullptr) != ERROR_SUCCESS ||
                    SetString(key, "Path", path) != ERROR_SUCCESS || QueryString(key, "Path") != path ||
                    RegCloseKey(key) != ERROR_SUCCESS) {
                    ++failures[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
    UniqueKey root;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "Threads\\T7", root), ERROR_SUCCESS);
    EXPECT_EQ(CountsOf(root.get()).subkeys, static_cast<DWORD>(kKeys));
}

}  // namespace
}  // namespace quenvar::testing
