#include "RegistryFixture.h"

#include <functional>
#include <string>

namespace quenvar::testing {
namespace {

using RegistryFaults = RegistryTest;

TEST_F(RegistryFaults, ArmedCallAnswersTheCodeAndChangesNothing)
{
    UniqueKey key = Create(HKEY_CURRENT_USER, "Fault\\Sub");
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "Fault", key), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key.get(), "V", "old"), ERROR_SUCCESS);
    const HKEY fault = key.get();
    HKEY opened = reinterpret_cast<HKEY>(1);
    char name[16] = "untouched";
    DWORD size = sizeof name;
    struct Case {
        const char* function;
        std::function<LONG()> call;
        std::function<bool()> unchanged;
    };
    const auto untouched = [&] { return std::string(name) == "untouched" && size == sizeof name; };
    const Case cases[] = {
        {"RegCreateKeyExA",
         [&] { return RegCreateKeyExA(fault, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr); },
         [&] { return opened == nullptr && !Exists(fault, "New"); }},
        {"RegOpenKeyExA", [&] { return RegOpenKeyExA(fault, "Sub", 0, KEY_READ, &opened); },
         [&] { return opened == nullptr; }},
        {"RegSetValueExA", [&] { return SetString(fault, "V", "new"); },
         [&] { return QueryString(fault, "V") == "old"; }},
        {"RegDeleteValueA", [&] { return RegDeleteValueA(fault, "V"); },
         [&] { return QueryString(fault, "V") == "old"; }},
        {"RegDeleteKeyA", [&] { return RegDeleteKeyA(fault, "Sub"); }, [&] { return Exists(fault, "Sub"); }},
        {"RegQueryValueExA",
         [&] { return RegQueryValueExA(fault, "V", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size); },
         untouched},
        {"RegEnumKeyExA", [&] { return RegEnumKeyExA(fault, 0, name, &size, nullptr, nullptr, nullptr, nullptr); },
         untouched},
        {"RegEnumValueA", [&] { return RegEnumValueA(fault, 0, name, &size, nullptr, nullptr, nullptr, nullptr); },
         untouched},
        {"RegQueryInfoKeyA",
         [&] {
             return RegQueryInfoKeyA(fault, nullptr, nullptr, nullptr, &size, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr);
         },
         untouched},
        // The handle stays open.
        {"RegCloseKey", [&] { return RegCloseKey(fault); }, [&] { return QueryString(fault, "V") == "old"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        opened = reinterpret_cast<HKEY>(1);
        {
            ScopedFault armed(c.function, 1, ERROR_CANTWRITE);
            EXPECT_EQ(c.call(), ERROR_CANTWRITE);
            EXPECT_TRUE(FaultFired(c.function));
        }
        EXPECT_TRUE(c.unchanged());
    }
}

}  // namespace
}  // namespace quenvar::testing
