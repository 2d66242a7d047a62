#include "platform/Win32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

namespace {

TEST(Bstr, NullRules)
{
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);

    BSTR empty = SysAllocStringLen(nullptr, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    EXPECT_EQ(empty[0], u'\0');
    SysFreeString(empty);
}

TEST(Bstr, LayoutHasBytePrefixAndTerminator)
{
    BSTR text = SysAllocString(u"abc");
    ASSERT_NE(text, nullptr);
    std::uint32_t prefix;
    std::memcpy(&prefix, reinterpret_cast<const char*>(text) - 4, sizeof prefix);
    EXPECT_EQ(prefix, 6u);
    EXPECT_EQ(SysStringLen(text), 3u);
    EXPECT_EQ(SysStringByteLen(text), 6u);
    EXPECT_EQ(text[3], u'\0');
    SysFreeString(text);
}

TEST(Bstr, EmbeddedNulCopiedByLengthButNotByString)
{
    const char16_t source[] = u"ab\0cd";
    BSTR counted = SysAllocStringLen(source, 5);
    ASSERT_NE(counted, nullptr);
    EXPECT_EQ(SysStringLen(counted), 5u);
    EXPECT_EQ(std::u16string_view(counted, 5), std::u16string_view(source, 5));
    EXPECT_EQ(counted[5], u'\0');

    BSTR copied = SysAllocString(counted);
    EXPECT_EQ(SysStringLen(copied), 2u);
    SysFreeString(copied);
    SysFreeString(counted);
}

TEST(Bstr, ByteLengthMayBeOdd)
{
    BSTR bytes = SysAllocStringByteLen("xyz", 3);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(SysStringByteLen(bytes), 3u);
    EXPECT_EQ(SysStringLen(bytes), 1u);
    EXPECT_EQ(std::memcmp(bytes, "xyz\0", 4), 0);
    SysFreeString(bytes);
}

// A freed string's block serves a later string: each length, made after freeing strings of the
// lengths around it, holds its bytes and its terminator (the address sanitizer checks the bounds,
// and the leak checker that a thread's kept blocks go when it ends).
TEST(Bstr, FreedBlocksServeLaterStringsOfEveryLength)
{
    const std::string source(400, 'q');
    for (UINT freed = 0; freed < 320; freed += 5) {
        for (UINT length = freed < 40 ? 0 : freed - 40; length < freed + 40; ++length) {
            SysFreeString(SysAllocStringByteLen(source.data(), freed));
            BSTR text = SysAllocStringByteLen(source.data(), length);
            ASSERT_NE(text, nullptr);
            const auto* bytes = reinterpret_cast<const char*>(text);
            EXPECT_EQ(SysStringByteLen(text), length);
            EXPECT_EQ(std::string_view(bytes, length), std::string_view(source.data(), length));
            EXPECT_EQ(std::string_view(bytes + length, 3), std::string_view("\0\0\0", 3));
            SysFreeString(text);
        }
    }
    std::thread([] { SysFreeString(SysAllocString(u"kept by a thread that ends")); }).join();
}

TEST(Bstr, ImpossibleLengthFailsInsteadOfOverflowing)
{
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
    EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xFFFFFFFFu), nullptr);
}

}  // namespace
