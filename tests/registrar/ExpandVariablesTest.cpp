#include "registrar/ExpandVariables.h"
#include "registrar/ReplacementMap.h"

#include "platform/UniqueHandle.h"
#include "platform/test_support/FaultInjection.h"

#include <gtest/gtest.h>

#include <string>

namespace quenvar {
namespace {

using testing::ScopedAnsiCodePage;
using testing::ScopedFault;

constexpr const char16_t* kModulePath = u"/opt/quenvar/lib/Quenvar.so";

struct Expansion {
    HRESULT result;
    std::string text;
};

Expansion Expand(const ReplacementMap& map, const std::string& text)
{
    RegistryScriptParser parser(map);
    LPSTR expanded = reinterpret_cast<LPSTR>(1);
    const HRESULT hr = ExpandVariables(parser, text.c_str(), ScriptMode::Registration, &expanded);
    UniqueTaskMemory owner(expanded);
    if (FAILED(hr)) {
        EXPECT_EQ(expanded, nullptr);
        return {hr, {}};
    }
    return {hr, expanded};
}

class ExpandVariablesTest : public ::testing::Test {
protected:
    ExpandVariablesTest()
    {
        EXPECT_EQ(map.Add(u"Module", kModulePath), S_OK);
        EXPECT_EQ(map.Add(u"ThirtyOneBytesLongVariableNameX", u"31"), S_OK);
        EXPECT_EQ(map.Add(u"ThirtyTwoBytesLongVariableNameXY", u"32"), S_OK);
        EXPECT_EQ(map.Add(u"Module", u"shadowed"), S_OK);
    }

    ReplacementMap map;
};

TEST_F(ExpandVariablesTest, ReplacesVariablesAndDoubledPercentSigns)
{
    struct Case {
        std::string text;
        std::string expanded;
    };
    const Case cases[] = {
        {"InprocServer32 = s '%MODULE%'", "InprocServer32 = s '/opt/quenvar/lib/Quenvar.so'"},
        {"'%module%' %Module%", "'/opt/quenvar/lib/Quenvar.so' /opt/quenvar/lib/Quenvar.so"},
        {"100%%", "100%"},
        {"%%MODULE%%", "%MODULE%"},
        {"%ThirtyOneBytesLongVariableNameX%", "31"},
        {"plain text\r\n\t{ }", "plain text\r\n\t{ }"},
        {"\x81\x40\xe9", "\x81\x40\xe9"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Expansion expansion = Expand(map, c.text);
        EXPECT_EQ(expansion.result, S_OK);
        EXPECT_EQ(expansion.text, c.expanded);
    }
}

TEST_F(ExpandVariablesTest, RefusesBadReferences)
{
    struct Case {
        std::string text;
        HRESULT result;
    };
    const Case cases[] = {
        {"%Unset%", DISP_E_EXCEPTION},
        {"50%", DISP_E_EXCEPTION},
        {"%MODULE", DISP_E_EXCEPTION},
        {"%ThirtyTwoBytesLongVariableNameXY%", E_FAIL},
        {"%" + std::string(1000, 'n') + "%", E_FAIL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Expand(map, c.text).result, c.result);
    }
}

TEST_F(ExpandVariablesTest, DoubleByteTextIsCopiedWhole)
{
    ScopedAnsiCodePage codePage(932);
    // 0x95 0x5C is one character; the percent signs around it are the only ones.
    const Expansion expansion = Expand(map, "\x95\x5c%%\x95\x5c");
    EXPECT_EQ(expansion.result, S_OK);
    EXPECT_EQ(expansion.text, "\x95\x5c%\x95\x5c");
}

TEST_F(ExpandVariablesTest, GrowsWhenValuesOutgrowTheScript)
{
    const std::u16string longValue(5000, u'v');
    ASSERT_EQ(map.Add(u"Long", longValue.c_str()), S_OK);
    const Expansion expansion = Expand(map, "<%Long%>");
    EXPECT_EQ(expansion.result, S_OK);
    EXPECT_EQ(expansion.text, "<" + std::string(5000, 'v') + ">");
}

TEST_F(ExpandVariablesTest, OutOfMemoryHandsOutNothing)
{
    const std::u16string longValue(5000, u'v');
    ASSERT_EQ(map.Add(u"Long", longValue.c_str()), S_OK);
    struct Case {
        const char* function;
        unsigned nth;
        const char* text;
    };
    const Case cases[] = {
        {"CoTaskMemAlloc", 1, "short"},       // the output block
        {"CoTaskMemRealloc", 1, "<%Long%>"},  // growing it
        {"CoTaskMemAlloc", 2, "%Long%"},      // converting the value
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ScopedFault fault(c.function, c.nth, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(Expand(map, c.text).result, E_OUTOFMEMORY);
    }
}

TEST(ReplacementMap, FindsFirstPairByAnsiNameIgnoringCase)
{
    ReplacementMap map;
    EXPECT_EQ(map.Find("Module"), nullptr);
    for (int i = 0; i < 25; ++i) {
        const std::u16string name = u"Name" + std::u16string(1, static_cast<char16_t>(u'A' + i));
        const std::u16string value(static_cast<std::size_t>(i + 1), u'x');
        ASSERT_EQ(map.Add(name.c_str(), value.c_str()), S_OK);
    }
    ASSERT_EQ(map.Add(u"NameA", u"second"), S_OK);
    EXPECT_EQ(map.Count(), 26);
    EXPECT_EQ(std::u16string(map.Find("namea")), u"x");
    EXPECT_EQ(std::u16string(map.Find("NAMEY")), std::u16string(25, u'x'));
    EXPECT_EQ(map.Find("Name"), nullptr);
    // An accented name matches in the ANSI code page, whatever the case.
    ASSERT_EQ(map.Add(u"\u00c9t\u00e9", u"summer"), S_OK);
    EXPECT_EQ(std::u16string(map.Find("\xe9t\xc9")), u"summer");
    map.Clear();
    EXPECT_EQ(map.Count(), 0);
    EXPECT_EQ(map.Find("NameA"), nullptr);
}

TEST(ReplacementMap, FailedAddKeepsWhatWasStored)
{
    ReplacementMap map;
    for (int i = 0; i < 10; ++i) ASSERT_EQ(map.Add(u"Filler", u"f"), S_OK);
    struct Case {
        const char* function;
        unsigned nth;
    };
    // The pair record, the name's copy, the value's copy, the grown array.
    const Case cases[] = {{"HeapAlloc", 1}, {"CoTaskMemAlloc", 1}, {"CoTaskMemAlloc", 2}, {"HeapReAlloc", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.function) + " " + std::to_string(c.nth));
        ScopedFault fault(c.function, c.nth, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(map.Add(u"Eleventh", u"value"), E_OUTOFMEMORY);
        EXPECT_EQ(map.Count(), 10);
        EXPECT_EQ(map.Find("Eleventh"), nullptr);
        EXPECT_EQ(std::u16string(map.Find("Filler")), u"f");
    }
    EXPECT_EQ(map.Add(u"Eleventh", u"value"), S_OK);
    EXPECT_EQ(std::u16string(map.Find("eleventh")), u"value");
}

TEST(ReplacementMap, LookupWithoutMemoryFindsNothingRatherThanALaterPair)
{
    ReplacementMap map;
    const std::u16string longName(200, u'n');
    ASSERT_EQ(map.Add(longName.c_str(), u"first"), S_OK);
    ASSERT_EQ(map.Add(longName.c_str(), u"second"), S_OK);
    const std::string ansiName(200, 'N');
    {
        ScopedFault fault("CoTaskMemAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(map.Find(ansiName.c_str()), nullptr);
    }
    EXPECT_EQ(std::u16string(map.Find(ansiName.c_str())), u"first");
}

}  // namespace
}  // namespace quenvar
