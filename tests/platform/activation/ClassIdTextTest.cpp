#include "ClassRegistration.h"
#include "TestServer.h"
#include "platform/test_support/FaultInjection.h"
#include "platform/test_support/RegistryTesting.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace quenvar::testing {
namespace {

constexpr CLSID kFilled = {0xAAAAAAAA, 0xAAAA, 0xAAAA, {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}};

bool IsZero(const CLSID& clsid) { return clsid == CLSID_NULL; }

class ClassIdText : public ::testing::Test {
protected:
    //  HKCR
    //    Quenvar.Test.1     \CLSID = {0B4E6A10-...}
    //    Quenvar.Test       \CurVer = Quenvar.Test.1          (no CLSID key)
    //    Quenvar.Test.Both  \CLSID = {0B4E6A10-...}, \CurVer = Quenvar.Nowhere
    //    Quenvar.Broken     \CLSID = "not a guid"
    //    Quenvar.Dangling   \CurVer = Quenvar.Missing
    //    Quenvar.LoopA      \CurVer = Quenvar.LoopB, Quenvar.LoopB \CurVer = Quenvar.LoopA
    void SetUp() override
    {
        const std::string clsid = GuidText(CLSID_TestObject);
        SetClassesRootText("Quenvar.Test.1\\CLSID", clsid);
        SetClassesRootText("Quenvar.Test\\CurVer", "Quenvar.Test.1");
        SetClassesRootText("Quenvar.Test.Both\\CLSID", clsid);
        SetClassesRootText("Quenvar.Test.Both\\CurVer", "Quenvar.Nowhere");
        SetClassesRootText("Quenvar.Broken\\CLSID", "not a guid");
        SetClassesRootText("Quenvar.Dangling\\CurVer", "Quenvar.Missing");
        SetClassesRootText("Quenvar.LoopA\\CurVer", "Quenvar.LoopB");
        SetClassesRootText("Quenvar.LoopB\\CurVer", "Quenvar.LoopA");
    }

    ScopedPrivateRegistry registry;
};

TEST_F(ClassIdText, ProgIdResolvesThroughClsidOrCurVer)
{
    for (const char16_t* progId : {u"Quenvar.Test.1", u"Quenvar.Test", u"quenvar.test", u"Quenvar.Test.Both"}) {
        SCOPED_TRACE(std::string(progId, progId + std::char_traits<char16_t>::length(progId)));
        CLSID clsid = kFilled;
        EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
        EXPECT_EQ(clsid, CLSID_TestObject);
        clsid = kFilled;
        EXPECT_EQ(CLSIDFromString(progId, &clsid), S_OK);
        EXPECT_EQ(clsid, CLSID_TestObject);
    }
}

TEST_F(ClassIdText, UnresolvableProgIdFailsWithZeroedClsid)
{
    for (const char16_t* progId : {u"Quenvar.Unknown", u"Quenvar.Broken", u"Quenvar.Dangling", u"Quenvar.LoopA", u"",
                                   u"Quenvar.Test.1\\CLSID", u"CLSID", u"Quenvar.\u4E00"}) {
        SCOPED_TRACE(std::string(progId, progId + std::char_traits<char16_t>::length(progId)));
        CLSID clsid = kFilled;
        EXPECT_EQ(CLSIDFromProgID(progId, &clsid), CO_E_CLASSSTRING);
        EXPECT_TRUE(IsZero(clsid));
    }
    CLSID clsid = kFilled;
    EXPECT_EQ(CLSIDFromProgID(nullptr, &clsid), E_INVALIDARG);
    EXPECT_EQ(CLSIDFromProgID(u"Quenvar.Test", nullptr), E_INVALIDARG);
}

TEST_F(ClassIdText, ProgIdOutsideTheAnsiCodePageResolves)
{
    const std::string clsid = GuidText(CLSID_TestObject);
    SetClassesRootWideText(u"Quenvar.\u4E00\\CLSID", std::u16string(clsid.begin(), clsid.end()));
    CLSID found = kFilled;
    EXPECT_EQ(CLSIDFromProgID(u"Quenvar.\u4E00", &found), S_OK);
    EXPECT_EQ(found, CLSID_TestObject);
}

TEST_F(ClassIdText, RegistryFailureIsNotAnUnknownProgId)
{
    ScopedFault fault("RegOpenKeyExW", 1, ERROR_REGISTRY_IO_FAILED);
    CLSID clsid = kFilled;
    EXPECT_EQ(CLSIDFromProgID(u"Quenvar.Test.1", &clsid), REGDB_E_READREGDB);
    EXPECT_TRUE(IsZero(clsid));
}

TEST_F(ClassIdText, InjectedFaultFailsWithItsCode)
{
    ScopedFault fault("CLSIDFromProgID", 1, ERROR_NOT_ENOUGH_MEMORY);
    CLSID clsid = kFilled;
    EXPECT_EQ(CLSIDFromProgID(u"Quenvar.Test.1", &clsid), HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_TRUE(IsZero(clsid));
    EXPECT_EQ(CLSIDFromProgID(u"Quenvar.Test.1", &clsid), S_OK);
}

TEST(GuidString, RoundTripsInUpperCase)
{
    OLECHAR text[kGuidStringLength + 4];
    std::fill(std::begin(text), std::end(text), u'#');
    ASSERT_EQ(StringFromGUID2(CLSID_TestObject, text, kGuidStringLength), kGuidStringLength);
    EXPECT_EQ(std::u16string(text), u"{0B4E6A10-53C2-4F3D-8E91-7A2C5D0F1B36}");
    EXPECT_EQ(text[kGuidStringLength], u'#');

    CLSID parsed = kFilled;
    ASSERT_EQ(CLSIDFromString(text, &parsed), S_OK);
    EXPECT_EQ(parsed, CLSID_TestObject);
    parsed = kFilled;
    ASSERT_EQ(CLSIDFromString(u"{0b4e6a10-53c2-4f3d-8e91-7a2c5d0f1b36}", &parsed), S_OK);
    EXPECT_EQ(parsed, CLSID_TestObject);
}

TEST(GuidString, ShortBufferIsLeftAlone)
{
    OLECHAR text[kGuidStringLength];
    std::fill(std::begin(text), std::end(text), u'#');
    EXPECT_EQ(StringFromGUID2(CLSID_TestObject, text, kGuidStringLength - 1), 0);
    EXPECT_EQ(text[0], u'#');
    EXPECT_EQ(StringFromGUID2(CLSID_TestObject, nullptr, kGuidStringLength), 0);
}

TEST(GuidString, MalformedBracedStringsFailWithoutRegistry)
{
    const char16_t* const malformed[] = {
        u"{0B4E6A10-53C2-4F3D-8E91-7A2C5D0F1B36",    // no closing brace
        u"{0B4E6A10-53C2-4F3D-8E91-7A2C5D0F1B36}x",  // trailing text
        u"{0B4E6A1053C2-4F3D-8E91-7A2C5D0F1B36-}",   // dash misplaced
        u"{0B4E6A10-53C2-4F3D-8E91-7A2C5D0F1B3G}",   // not a hex digit
        u"{0B4E6A10-53C2-4F3D-8E917A2C5D0F1B36}",    // a group short
        u"{ 0B4E6A10-53C2-4F3D-8E91-7A2C5D0F1B3}",   // blank inside
        u"{}",
        u"{",
    };
    ScopedFault registryUnused("RegOpenKeyExW", 1, ERROR_REGISTRY_IO_FAILED);
    for (const char16_t* text : malformed) {
        SCOPED_TRACE(std::string(text, text + std::char_traits<char16_t>::length(text)));
        CLSID clsid = kFilled;
        EXPECT_EQ(CLSIDFromString(text, &clsid), CO_E_CLASSSTRING);
        EXPECT_TRUE(IsZero(clsid));
    }
    EXPECT_FALSE(FaultFired("RegOpenKeyExW"));
    CLSID clsid = kFilled;
    EXPECT_EQ(CLSIDFromString(nullptr, &clsid), E_INVALIDARG);
}

}  // namespace
}  // namespace quenvar::testing
