#include "registrar/KeyTree.h"
#include "registrar/RegKey.h"
#include "registrar/ReplacementMap.h"

#include "RegistrySnapshot.h"
#include "WorkedExample.h"

#include <gtest/gtest.h>

#include <string>

namespace quenvar {
namespace {

using testing::kClassKey;
using testing::kRemovedEntries;
using testing::ModuleScript;
using testing::RegisteredEntries;
using testing::RegistryTest;
using testing::ScopedAnsiCodePage;
using testing::ScopedFault;
using testing::Snapshot;
using testing::TakeSnapshot;

constexpr char kModulePath[] = "/opt/quenvar/lib/Quenvar.so";

class KeyTreeTest : public RegistryTest {
protected:
    KeyTreeTest() { EXPECT_EQ(map.Add(u"Module", u"/opt/quenvar/lib/Quenvar.so"), S_OK); }

    HRESULT Run(const std::string& script, ScriptMode mode)
    {
        RegistryScriptParser parser(map);
        return ProcessScript(parser, script.c_str(), mode);
    }
    HRESULT Register(const std::string& script) { return Run(script, ScriptMode::Registration); }
    HRESULT Unregister(const std::string& script) { return Run(script, ScriptMode::Removal); }

    static void CreateKey(HKEY root, const char* path)
    {
        RegKey key;
        ASSERT_EQ(key.Create(root, path), ERROR_SUCCESS) << path;
    }

    ReplacementMap map;
};

TEST_F(KeyTreeTest, ModuleScriptRegistersAndRemovesItsEntries)
{
    const std::string script = ModuleScript();
    ASSERT_EQ(script.size(), 488u);
    EXPECT_EQ(Register(script), S_OK);
    EXPECT_EQ(TakeSnapshot(), RegisteredEntries(kModulePath));
    EXPECT_EQ(Unregister(script), S_OK);
    EXPECT_EQ(TakeSnapshot(), kRemovedEntries);
    // Nothing left to remove is no failure either.
    EXPECT_EQ(Unregister(script), S_OK);
    EXPECT_EQ(TakeSnapshot(), kRemovedEntries);
}

TEST_F(KeyTreeTest, UnregisteringWithoutRegistrationTouchesNothing)
{
    EXPECT_EQ(Unregister(ModuleScript()), S_OK);
    EXPECT_EQ(TakeSnapshot(), Snapshot{});
}

TEST_F(KeyTreeTest, RegisteringAgainRebuildsOnlyTheForceRemoveKey)
{
    const std::string script = ModuleScript();
    ASSERT_EQ(Register(script), S_OK);
    CreateKey(HKEY_CLASSES_ROOT, "CLSID\\{6C1D4F20-8A31-4E7B-9D02-5B7A3E91C4D8}\\Stale");
    CreateKey(HKEY_CLASSES_ROOT, "Palvex.Palvex.1\\Extra");
    ASSERT_EQ(Register(script), S_OK);
    Snapshot expected = RegisteredEntries(kModulePath);
    expected.insert("HKCR\\Palvex.Palvex.1\\Extra");
    EXPECT_EQ(TakeSnapshot(), expected);
}

TEST_F(KeyTreeTest, KeyWithUnnamedSubkeySurvivesRemoval)
{
    const std::string script = ModuleScript();
    ASSERT_EQ(Register(script), S_OK);
    CreateKey(HKEY_CLASSES_ROOT, "Palvex.Palvex\\Extra");
    CreateKey(HKEY_CLASSES_ROOT, "CLSID\\{00000000-0000-0000-0000-000000000001}");
    EXPECT_EQ(Unregister(script), S_OK);
    // Its own subkey CurVer is gone; the key keeps its default value with the extra subkey.
    EXPECT_EQ(TakeSnapshot(),
              (Snapshot{"HKCR\\Palvex.Palvex", "HKCR\\Palvex.Palvex @=sz:Palvex Class", "HKCR\\Palvex.Palvex\\Extra",
                        "HKCR\\CLSID", "HKCR\\CLSID\\{00000000-0000-0000-0000-000000000001}"}));
}

TEST_F(KeyTreeTest, NamedValuesGoWhileTheirKeyStays)
{
    const std::string script = "HKCU { Settings = s 'default' { val Named = s 'n' val Count = d 16 Inner } }";
    ASSERT_EQ(Register(script), S_OK);
    EXPECT_EQ(TakeSnapshot(), (Snapshot{"HKCU\\Settings", "HKCU\\Settings @=sz:default", "HKCU\\Settings Named=sz:n",
                                        "HKCU\\Settings Count=dword:16", "HKCU\\Settings\\Inner"}));
    CreateKey(HKEY_CURRENT_USER, "Settings\\Foreign");
    EXPECT_EQ(Unregister(script), S_OK);
    EXPECT_EQ(TakeSnapshot(), (Snapshot{"HKCU\\Settings", "HKCU\\Settings @=sz:default", "HKCU\\Settings\\Foreign"}));
}

TEST_F(KeyTreeTest, ValuesInARootBlockBelongToTheRootKey)
{
    const std::string script = "HKCU { val Setting = s 'on' val Level = D '-1' }";
    ASSERT_EQ(Register(script), S_OK);
    EXPECT_EQ(TakeSnapshot(), (Snapshot{"HKCU Setting=sz:on", "HKCU Level=dword:4294967295"}));
    EXPECT_EQ(Unregister(script), S_OK);
    EXPECT_EQ(TakeSnapshot(), Snapshot{});
}

TEST_F(KeyTreeTest, KeywordsIgnoreCase)
{
    CreateKey(HKEY_CURRENT_USER, "Forced\\Old");
    CreateKey(HKEY_CURRENT_USER, "Gone\\Old");
    const std::string script =
        "hkcu { FORCEREMOVE Forced = S 'a' VAL v1 = s 'b' val v2 = D 16 Val v3 = d 'x' delete Gone noremove Kept }";
    ASSERT_EQ(Register(script), S_OK);
    EXPECT_EQ(TakeSnapshot(), (Snapshot{"HKCU\\Forced", "HKCU\\Forced @=sz:a", "HKCU v1=sz:b", "HKCU v2=dword:16",
                                        "HKCU v3=dword:0", "HKCU\\Kept"}));
    EXPECT_EQ(Unregister(script), S_OK);
    // Kept comes after NoREMOVE; Forced came before it.
    EXPECT_EQ(TakeSnapshot(), Snapshot{"HKCU\\Kept"});
}

TEST_F(KeyTreeTest, NoRemoveProtectsLaterSiblingsButNotTheirContents)
{
    const std::string script =
        "HKCU { First { Inner } NoRemove Second { Inner } Third = s 't' { Inner val Named = s 'n' } }";
    ASSERT_EQ(Register(script), S_OK);
    EXPECT_EQ(Unregister(script), S_OK);
    EXPECT_EQ(TakeSnapshot(), (Snapshot{"HKCU\\Second", "HKCU\\Third", "HKCU\\Third @=sz:t"}));
}

TEST_F(KeyTreeTest, ForceRemoveAndDeleteSpareProtectedNames)
{
    for (const char* path : {"CLSID\\Other", "TypeLib\\Other", "Plain\\Old", "Dropped\\Old"}) {
        CreateKey(HKEY_CURRENT_USER, path);
    }
    const std::string script =
        "HKCU { ForceRemove clsid { Mine } Delete TYPELIB ForceRemove Plain { New } Delete Dropped = s 'x' }";
    ASSERT_EQ(Register(script), S_OK);
    EXPECT_EQ(TakeSnapshot(), (Snapshot{"HKCU\\CLSID", "HKCU\\CLSID\\Other", "HKCU\\CLSID\\Mine", "HKCU\\TypeLib",
                                        "HKCU\\TypeLib\\Other", "HKCU\\Plain", "HKCU\\Plain\\New"}));
}

TEST_F(KeyTreeTest, SyntaxErrorsAnswerDispException)
{
    struct Case {
        const char* label;
        std::string script;
    };
    const Case cases[] = {
        {"unknown root", "HKXX { Key }"},
        {"no brace after the root", "HKCU Key"},
        {"missing closing brace", "HKCU { Key"},
        {"backslash in a key name", "HKCU { Software\\Classes }"},
        {"backslash after ForceRemove", "HKCU { ForceRemove A\\B }"},
        {"backslash after Delete", "HKCU { Delete A\\B }"},
        {"value without equals", "HKCU { val Name s 'x' }"},
        {"type letter", "HKCU { Key = x 'value' }"},
        {"body after a value", "HKCU { val Name = s 'x' { } }"},
        {"body after Delete", "HKCU { Delete Old { } }"},
        {"unclosed quote", "HKCU { Key = s 'value }"},
        {"whitespace only", "  \r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(Register(c.script), DISP_E_EXCEPTION);
        EXPECT_EQ(TakeSnapshot(), Snapshot{});
    }
    for (const Case& c : cases) {
        const std::string label = c.label;
        if (label == "type letter" || label == "body after Delete") continue;  // removal reads these
        SCOPED_TRACE(label + " (removal)");
        EXPECT_EQ(Unregister(c.script), DISP_E_EXCEPTION);
    }
}

std::string NestedKeys(int levels)
{
    std::string script = "HKCU { ";
    for (int level = 0; level < levels; ++level) script += "K { ";
    for (int level = 0; level < levels; ++level) script += "} ";
    return script + "}";
}

TEST_F(KeyTreeTest, NestingIsBounded)
{
    // The root block's body is the first level.
    const std::string deepest = NestedKeys(kMaxBodyDepth - 1);
    EXPECT_EQ(Register(deepest), S_OK);
    EXPECT_EQ(TakeSnapshot().size(), static_cast<std::size_t>(kMaxBodyDepth - 1));
    EXPECT_EQ(Unregister(deepest), S_OK);
    EXPECT_EQ(TakeSnapshot(), Snapshot{});

    EXPECT_EQ(Register(NestedKeys(kMaxBodyDepth)), DISP_E_EXCEPTION);
    EXPECT_EQ(Unregister(NestedKeys(kMaxBodyDepth)), DISP_E_EXCEPTION);
}

TEST_F(KeyTreeTest, FailedRootBlockIsRemovedAndEarlierBlocksStay)
{
    const std::string script =
        "HKCU { Before = s 'b' } HKLM { First = s 'one' { Sub } Second = x 'two' } HKCU { After }";
    EXPECT_EQ(Register(script), DISP_E_EXCEPTION);
    EXPECT_EQ(TakeSnapshot(), (Snapshot{"HKCU\\Before", "HKCU\\Before @=sz:b"}));
    EXPECT_EQ(Register("HKCU { Kept } HKXX { Never }"), DISP_E_EXCEPTION);
    EXPECT_EQ(TakeSnapshot(), (Snapshot{"HKCU\\Before", "HKCU\\Before @=sz:b", "HKCU\\Kept"}));
}

TEST_F(KeyTreeTest, EmptyScriptDoesNothing)
{
    EXPECT_EQ(Register(""), S_OK);
    EXPECT_EQ(Unregister(""), S_OK);
    EXPECT_EQ(TakeSnapshot(), Snapshot{});
}

TEST_F(KeyTreeTest, NumbersAreWrittenAsDwords)
{
    ASSERT_EQ(Register("HKCU { Numbers { val Sixteen = d 16 val Max = d '2147483647' val Text = d 'many' } }"), S_OK);
    EXPECT_EQ(TakeSnapshot(), (Snapshot{"HKCU\\Numbers", "HKCU\\Numbers Sixteen=dword:16",
                                        "HKCU\\Numbers Max=dword:2147483647", "HKCU\\Numbers Text=dword:0"}));
}

TEST_F(KeyTreeTest, RemovalSkipsAbsentKeysWithTheirBodies)
{
    CreateKey(HKEY_CURRENT_USER, "Present\\Inner");
    const std::string tooLong(300, 'L');
    EXPECT_EQ(
        Unregister("HKCU { Absent { Inner { Deeper } val V = s 'x' } " + tooLong + " { Inner } Present { Inner } }"),
        S_OK);
    EXPECT_EQ(TakeSnapshot(), Snapshot{});
}

TEST_F(KeyTreeTest, DoubleByteNamesKeepTheirTrailBytes)
{
    // 0x95 0x5C is one character under code page 932 but a backslash under 1252.
    const std::string script = "HKCU { '\x95\x5c' = s '\x83\x5c' }";
    {
        ScopedAnsiCodePage codePage(932);
        ASSERT_EQ(Register(script), S_OK);
        EXPECT_EQ(TakeSnapshot(), (Snapshot{"HKCU\\\x95\x5c", "HKCU\\\x95\x5c @=sz:\x83\x5c"}));
        EXPECT_EQ(Unregister(script), S_OK);
        EXPECT_EQ(TakeSnapshot(), Snapshot{});
    }
    EXPECT_EQ(Register(script), DISP_E_EXCEPTION);
}

TEST_F(KeyTreeTest, KeyNamedBeyondTheRememberedLengthIsEmptiedButKept)
{
    ScopedAnsiCodePage codePage(932);
    std::string name;
    for (int i = 0; i < 150; ++i) name += "\x82\xa0";  // 150 characters, 300 bytes
    const std::string cut = name.substr(0, 258);
    CreateKey(HKEY_CURRENT_USER, ("Outer\\" + cut).c_str());
    const std::string script = "HKCU { Outer { '" + name + "' { Inner { Deeper } val Named = s 'n' } } }";
    ASSERT_EQ(Register(script), S_OK);
    ASSERT_EQ(TakeSnapshot().count("HKCU\\Outer\\" + name + "\\Inner\\Deeper"), 1u);

    // Everything below the long name goes; the key itself stays, since only its cut name is
    // remembered for the delete, and a key of that cut name is another key.
    EXPECT_EQ(Unregister(script), S_OK);
    EXPECT_EQ(TakeSnapshot(), (Snapshot{"HKCU\\Outer", "HKCU\\Outer\\" + cut, "HKCU\\Outer\\" + name}));
}

TEST_F(KeyTreeTest, FatalRegistryFailuresStopThePass)
{
    {
        // The key exists in neither access and cannot be created.
        ScopedFault fault("RegCreateKeyExA", 2, ERROR_ACCESS_DENIED);
        EXPECT_EQ(Register("HKCU { First Second Third }"), DISP_E_EXCEPTION);
    }
    EXPECT_EQ(TakeSnapshot(), Snapshot{});

    ASSERT_EQ(Register("HKCU { Leaf }"), S_OK);
    {
        ScopedFault fault("RegCloseKey", 1, ERROR_INVALID_HANDLE);
        EXPECT_EQ(Unregister("HKCU { Leaf }"), DISP_E_EXCEPTION);
    }
    EXPECT_EQ(TakeSnapshot(), Snapshot{"HKCU\\Leaf"});
}

TEST_F(KeyTreeTest, EveryFailedCreateIsRolledBack)
{
    const std::string script = ModuleScript();
    for (unsigned nth = 1;; ++nth) {
        SCOPED_TRACE(nth);
        ScopedFault fault("RegCreateKeyExA", nth, ERROR_ACCESS_DENIED);
        const HRESULT hr = Register(script);
        if (!testing::FaultFired("RegCreateKeyExA")) {
            EXPECT_EQ(hr, S_OK);
            break;
        }
        EXPECT_EQ(hr, DISP_E_EXCEPTION);
        const Snapshot left = TakeSnapshot();
        EXPECT_TRUE(left.empty() || left == kRemovedEntries);
        ASSERT_EQ(Unregister(script), S_OK);
    }
    EXPECT_EQ(TakeSnapshot(), RegisteredEntries(kModulePath));
}

// Registration answered S_OK means every value is there: a lost one fails and is rolled back.
TEST_F(KeyTreeTest, ValueThatCannotBeWrittenFailsTheRegistration)
{
    const std::string script = "HKCU { Key = s 'default' { val Named = s 'n' val Number = d 5 } }";
    for (unsigned nth : {1u, 2u, 3u}) {
        SCOPED_TRACE(nth);
        {
            ScopedFault fault("RegSetValueExA", nth, ERROR_ACCESS_DENIED);
            EXPECT_EQ(Register(script), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
        }
        EXPECT_EQ(TakeSnapshot(), Snapshot{});
    }
}

TEST_F(KeyTreeTest, IgnoredRegistryFailuresLetThePassGoOn)
{
    const std::string script = "HKCU { Key = s 'default' { val Named = s 'n' } }";
    ASSERT_EQ(Register(script), S_OK);
    {
        ScopedFault fault("RegDeleteValueA", 1, ERROR_ACCESS_DENIED);
        EXPECT_EQ(Unregister(script), S_OK);
    }
    EXPECT_EQ(TakeSnapshot(), Snapshot{});  // the key went with the value that stayed in it

    ASSERT_EQ(Register(script), S_OK);
    {
        ScopedFault fault("RegDeleteKeyA", 1, ERROR_ACCESS_DENIED);
        EXPECT_EQ(Unregister(script), S_OK);
    }
    EXPECT_EQ(TakeSnapshot(), (Snapshot{"HKCU\\Key", "HKCU\\Key @=sz:default"}));

    CreateKey(HKEY_CURRENT_USER, "Forced\\Old");
    {
        ScopedFault fault("RegDeleteKeyA", 1, ERROR_ACCESS_DENIED);
        EXPECT_EQ(Register("HKCU { ForceRemove Forced = s 'f' }"), S_OK);
    }
    EXPECT_EQ(TakeSnapshot(), (Snapshot{"HKCU\\Key", "HKCU\\Key @=sz:default", "HKCU\\Forced", "HKCU\\Forced\\Old",
                                        "HKCU\\Forced @=sz:f"}));
}

}  // namespace
}  // namespace quenvar
