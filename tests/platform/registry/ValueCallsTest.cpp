#include "RegistryFixture.h"

#include <string>
#include <vector>

namespace quenvar::testing {
namespace {

using namespace std::string_literals;
using ValueCalls = RegistryTest;

std::vector<BYTE> Bytes(const std::string& text) { return std::vector<BYTE>(text.begin(), text.end()); }

DWORD MaxValueLength(HKEY key)
{
    DWORD longest = 0;
    EXPECT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    return longest;
}

TEST_F(ValueCalls, DefaultValueCountsOnlyOnceSet)
{
    UniqueKey key = Create(HKEY_CLASSES_ROOT, "Fresh");
    EXPECT_EQ(CountsOf(key.get()).values, 0u);
    DWORD size = 0;
    for (const char* name : {static_cast<const char*>(nullptr), ""}) {
        EXPECT_EQ(RegQueryValueExA(key.get(), name, nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    }
    ASSERT_EQ(SetString(key.get(), nullptr, "Default"), ERROR_SUCCESS);
    EXPECT_EQ(CountsOf(key.get()).values, 1u);
    EXPECT_EQ(QueryString(key.get(), ""), "Default");
    ASSERT_EQ(RegQueryValueExA(key.get(), nullptr, nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(RegDeleteValueA(key.get(), ""), ERROR_SUCCESS);
    EXPECT_EQ(CountsOf(key.get()).values, 0u);
    EXPECT_EQ(RegDeleteValueA(key.get(), nullptr), ERROR_FILE_NOT_FOUND);
}

TEST_F(ValueCalls, StringSizesInAndOut)
{
    UniqueKey key = Create(HKEY_CLASSES_ROOT, "Strings");
    const BYTE text[] = "0123456789";
    struct Case {
        const char* what;
        DWORD type;
        DWORD sizeIn;
        DWORD sizeOut;
    };
    const Case cases[] = {
        {"with its NUL", REG_SZ, 11, 11},
        {"without its NUL, which the call adds", REG_SZ, 10, 11},
        {"expandable, without its NUL", REG_EXPAND_SZ, 10, 11},
        {"empty text", REG_SZ, 1, 1},
        {"no data at all", REG_SZ, 0, 0},
        {"multi-string as given", REG_MULTI_SZ, 10, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const BYTE* data = c.sizeIn == 1 ? reinterpret_cast<const BYTE*>("") : text;
        ASSERT_EQ(RegSetValueExA(key.get(), "Text", 0, c.type, data, c.sizeIn), ERROR_SUCCESS);
        DWORD type = REG_NONE;
        DWORD size = 0;
        ASSERT_EQ(RegQueryValueExA(key.get(), "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(size, c.sizeOut);
        EXPECT_EQ(MaxValueLength(key.get()), c.sizeOut * 2);  // stored in UTF-16
        // Too small: nothing written, the size needed reported. A NUL is added only with room.
        std::vector<BYTE> buffer(c.sizeOut + 1, 'x');
        size = c.sizeOut == 0 ? 0 : c.sizeOut - 1;
        if (c.sizeOut != 0) {
            EXPECT_EQ(RegQueryValueExA(key.get(), "Text", nullptr, nullptr, buffer.data(), &size), ERROR_MORE_DATA);
            EXPECT_EQ(size, c.sizeOut);
            EXPECT_EQ(buffer[0], 'x');
        }
        size = static_cast<DWORD>(buffer.size());
        ASSERT_EQ(RegQueryValueExA(key.get(), "Text", nullptr, nullptr, buffer.data(), &size), ERROR_SUCCESS);
        EXPECT_EQ(size, c.sizeOut);
        EXPECT_EQ(buffer[c.sizeOut], c.type == REG_MULTI_SZ || c.sizeIn == 0 ? 0 : 'x');
    }
}

TEST_F(ValueCalls, EveryTypeRoundTrips)
{
    UniqueKey key = Create(HKEY_CURRENT_USER, "Types");
    struct Case {
        const char* name;
        DWORD type;
        std::vector<BYTE> data;
    };
    const Case cases[] = {
        {"Number", REG_DWORD, {0x2A, 0, 0, 0}},
        {"Big", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"Blob", REG_BINARY, {0, 0xFF, 0x10}},
        {"Nothing", REG_NONE, {}},
        {"Marker", REG_NONE, {9}},
        {"Path", REG_EXPAND_SZ, Bytes("%TEMP%\\x\0"s)},
        {"List", REG_MULTI_SZ, Bytes("a\0bc\0\0"s)},
        {"Text", REG_SZ, Bytes("caf\xE9\0"s)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(RegSetValueExA(key.get(), c.name, 0, c.type, c.data.data(), static_cast<DWORD>(c.data.size())),
                  ERROR_SUCCESS);
        std::vector<BYTE> buffer(32);
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD type = ~0u;
        ASSERT_EQ(RegQueryValueExA(key.get(), c.name, nullptr, &type, buffer.data(), &size), ERROR_SUCCESS);
        EXPECT_EQ(type, c.type);
        buffer.resize(size);
        EXPECT_EQ(buffer, c.data);
    }
    EXPECT_EQ(CountsOf(key.get()).values, std::size(cases));
}

TEST_F(ValueCalls, RefusedArguments)
{
    UniqueKey key = Create(HKEY_CURRENT_USER, "Refused");
    const BYTE bytes[8] = {};
    DWORD size = 4;
    DWORD reserved = 0;
    const std::string longestName(16383, 'v');
    const std::string tooLongName(16384, 'v');
    EXPECT_EQ(RegSetValueExA(key.get(), "N", 0, REG_DWORD, bytes, 3), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key.get(), "N", 0, REG_QWORD, bytes, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key.get(), "N", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key.get(), tooLongName.c_str(), 0, REG_BINARY, bytes, 1), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExA(key.get(), "N", &reserved, nullptr, nullptr, &size), ERROR_INVALID_PARAMETER);
    BYTE out[4];
    EXPECT_EQ(RegQueryValueExA(key.get(), "N", nullptr, nullptr, out, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CountsOf(key.get()).values, 0u);
    EXPECT_EQ(RegSetValueExA(key.get(), longestName.c_str(), 0, REG_BINARY, bytes, 1), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key.get(), "Absent"), ERROR_FILE_NOT_FOUND);
}

TEST_F(ValueCalls, NamesKeepFirstCaseAndPlace)
{
    UniqueKey key = Create(HKEY_CURRENT_USER, "Named");
    ASSERT_EQ(SetDword(key.get(), "First", 1), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key.get(), "Second", "two"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key.get(), "FIRST", "one"), ERROR_SUCCESS);  // replaces, keeping name and place
    EXPECT_EQ(QueryString(key.get(), "first"), "one");

    char name[8];
    BYTE data[8];
    DWORD nameLength = sizeof name;
    DWORD dataSize = sizeof data;
    DWORD type = REG_NONE;
    ASSERT_EQ(RegEnumValueA(key.get(), 0, name, &nameLength, nullptr, &type, data, &dataSize), ERROR_SUCCESS);
    EXPECT_STREQ(name, "First");
    EXPECT_EQ(nameLength, 5u);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(dataSize, 4u);
    nameLength = 6;  // "Second" without room for its NUL
    EXPECT_EQ(RegEnumValueA(key.get(), 1, name, &nameLength, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    nameLength = sizeof name;
    dataSize = 2;
    EXPECT_EQ(RegEnumValueA(key.get(), 1, name, &nameLength, nullptr, &type, data, &dataSize), ERROR_MORE_DATA);
    EXPECT_EQ(dataSize, 4u);
    nameLength = sizeof name;
    EXPECT_EQ(RegEnumValueA(key.get(), 2, name, &nameLength, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    DWORD longestName = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(longestName, 6u);
}

TEST_F(ValueCalls, StringsAreStoredInUtf16AndConvertedAtTheBoundary)
{
    UniqueKey key = Create(HKEY_CURRENT_USER, "Converted");
    {
        ScopedAnsiCodePage codePage(932);
        ASSERT_EQ(SetString(key.get(), "Kanji", "\x95\x5C"), ERROR_SUCCESS);
        EXPECT_EQ(QueryString(key.get(), "Kanji"), "\x95\x5C");
        EXPECT_EQ(MaxValueLength(key.get()), 4u);  // one character and a NUL in UTF-16
    }
    EXPECT_EQ(QueryString(key.get(), "Kanji"), "?");  // code page 1252 cannot hold it
}

}  // namespace
}  // namespace quenvar::testing
