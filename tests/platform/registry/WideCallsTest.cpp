// The wide registry calls: names and string data of any character, lengths in UTF-16 units, and
// the same keys and values the ANSI calls see.
#include "RegistryFixture.h"

#include <vector>

namespace quenvar::testing {
namespace {

using namespace std::string_view_literals;

constexpr char16_t kKeyName[] = u"Ключ 日本";  // no character of it in code page 1252
constexpr char16_t kValueName[] = u"名前";
constexpr char16_t kText[] = u"значение €";

std::vector<BYTE> Bytes(std::u16string_view text)
{
    std::vector<BYTE> bytes;
    for (const char16_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    return bytes;
}

class WideCalls : public RegistryTest {
protected:
    void SetUp() override
    {
        UniqueKey parent = Create(HKEY_CURRENT_USER, "Wide");
        ASSERT_EQ(RegCreateKeyExW(parent.get(), kKeyName, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr),
                  ERROR_SUCCESS);
        const std::vector<BYTE> data = Bytes(kText);  // without its NUL: the registry adds one
        ASSERT_EQ(RegSetValueExW(key_.get(), kValueName, 0, REG_SZ, data.data(), static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }

    UniqueKey key_;
};

TEST_F(WideCalls, NamesAndTextComeBackAsWritten)
{
    UniqueKey parent;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "Wide", parent), ERROR_SUCCESS);
    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxData = 0;
    ASSERT_EQ(RegQueryInfoKeyW(parent.get(), nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 1u);
    EXPECT_EQ(maxSubKey, std::char_traits<char16_t>::length(kKeyName));

    char16_t name[16];
    DWORD length = 16;
    ASSERT_EQ(RegEnumKeyExW(parent.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, length), kKeyName);
    length = 2;  // too small: nothing written
    EXPECT_EQ(RegEnumKeyExW(parent.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

    ASSERT_EQ(RegQueryInfoKeyW(key_.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, &maxValueName,
                               &maxData, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 1u);
    EXPECT_EQ(maxValueName, 2u);
    EXPECT_EQ(maxData, sizeof kText);

    BYTE data[64];
    DWORD size = sizeof data;
    DWORD type = REG_NONE;
    length = 16;
    ASSERT_EQ(RegEnumValueW(key_.get(), 0, name, &length, nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, length), kValueName);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::vector<BYTE>(data, data + size), Bytes({kText, std::size(kText)}));  // NUL included

    size = sizeof data;
    ASSERT_EQ(RegQueryValueExW(key_.get(), kValueName, nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, sizeof kText);
    EXPECT_EQ(RegDeleteValueW(key_.get(), kValueName), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(key_.get(), kValueName, nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    key_.reset();
    EXPECT_EQ(RegDeleteKeyW(parent.get(), kKeyName), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExW(parent.get(), kKeyName, 0, KEY_READ, key_.put()), ERROR_FILE_NOT_FOUND);
}

TEST_F(WideCalls, BothFormsSeeTheSameKeysAndValues)
{
    // The ANSI form shows what code page 1252 cannot hold as '?', and reads text written wide.
    UniqueKey parent;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "Wide", parent), ERROR_SUCCESS);
    char ansi[32];
    DWORD length = sizeof ansi;
    ASSERT_EQ(RegEnumKeyExA(parent.get(), 0, ansi, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(ansi, length), "???? ??");

    ASSERT_EQ(SetString(key_.get(), "Caf\xE9", "caf\xE9"), ERROR_SUCCESS);
    BYTE data[16];
    DWORD size = sizeof data;
    ASSERT_EQ(RegQueryValueExW(key_.get(), u"CAFÉ", nullptr, nullptr, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::vector<BYTE>(data, data + size), Bytes(u"café\0"sv));

    // Case folds across both forms; a key opened wide lists its subkeys to either.
    UniqueKey same;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"wIDE\\ключ 日本", 0, KEY_READ, same.put()), ERROR_SUCCESS);
}

TEST_F(WideCalls, FaultsAreArmedPerForm)
{
    ScopedFault fault("RegOpenKeyExW", 1, ERROR_ACCESS_DENIED);
    UniqueKey key;
    EXPECT_EQ(Open(HKEY_CURRENT_USER, "Wide", key), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Wide", 0, KEY_READ, key.put()), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key.get(), nullptr);
}

}  // namespace
}  // namespace quenvar::testing
