#include "platform/UniqueHandle.h"
#include "platform/test_support/FaultInjection.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

constexpr DWORD kSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

std::string Text(DWORD code)
{
    char buffer[512];
    const DWORD length = FormatMessageA(kSystem, nullptr, code, 0, buffer, sizeof buffer, nullptr);
    return std::string(buffer, length);
}

void ExpectOneLine(DWORD code)
{
    SCOPED_TRACE(code);
    const std::string text = Text(code);
    ASSERT_GT(text.size(), 2u);
    EXPECT_EQ(text.find_first_of("\r\n"), text.size() - 2);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(FormatMessage, EveryCodeTheProjectReportsReadsAsOneLine)
{
    // The tools print these texts after a colon, so each is one line ended by the line break.
    for (const DWORD code :
         std::initializer_list<DWORD>{12002, 12007, 12029, ERROR_MOD_NOT_FOUND, ERROR_BAD_EXE_FORMAT}) {
        ExpectOneLine(code);
    }
    for (const HRESULT hr :
         {E_FAIL, E_OUTOFMEMORY, REGDB_E_CLASSNOTREG, CO_E_NOTINITIALIZED, DISP_E_EXCEPTION, TYPE_E_LIBNOTREGISTERED}) {
        ExpectOneLine(static_cast<DWORD>(hr));
    }
}

TEST(FormatMessage, Win32CodeInAnHresultReadsAsTheCode)
{
    EXPECT_EQ(Text(static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND))), Text(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(Text(static_cast<DWORD>(E_INVALIDARG)), Text(ERROR_INVALID_PARAMETER));
    // Ignored inserts stay in the text for the caller to fill.
    EXPECT_EQ(Text(ERROR_BAD_EXE_FORMAT).rfind("%1 ", 0), 0u);
}

TEST(FormatMessage, FailuresSetTheLastError)
{
    char buffer[512] = "untouched";
    const struct {
        const char* name;
        DWORD flags;
        DWORD code;
        DWORD language;
        DWORD size;
        DWORD error;
    } cases[] = {
        {"unknown code", kSystem, 0x80041234, 0, sizeof buffer, ERROR_MR_MID_NOT_FOUND},
        {"unknown Win32 code inside an HRESULT", kSystem, 0x80070FFF, 0, sizeof buffer, ERROR_MR_MID_NOT_FOUND},
        {"buffer one short", kSystem, 12002, 0, sizeof "The operation timed out\r\n" - 1, ERROR_INSUFFICIENT_BUFFER},
        {"German", kSystem, 12002, MAKELANGID(0x07, SUBLANG_DEFAULT), sizeof buffer, ERROR_RESOURCE_LANG_NOT_FOUND},
        {"inserts not ignored", FORMAT_MESSAGE_FROM_SYSTEM, ERROR_BAD_EXE_FORMAT, 0, sizeof buffer,
         ERROR_INVALID_PARAMETER},
        {"from a string", FORMAT_MESSAGE_FROM_STRING, 0, 0, sizeof buffer, ERROR_INVALID_PARAMETER},
        {"width limit", kSystem | 80, 12002, 0, sizeof buffer, ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_EQ(FormatMessageA(c.flags, nullptr, c.code, c.language, buffer, c.size, nullptr), 0u);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_STREQ(buffer, "untouched");
    // Texts without inserts need no FORMAT_MESSAGE_IGNORE_INSERTS; English is accepted.
    EXPECT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 12002, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                             buffer, sizeof buffer, nullptr),
              0u);
}

TEST(FormatMessage, AllocatesTheBufferOnRequest)
{
    char* text = nullptr;
    const DWORD length = FormatMessageA(kSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, 12029, 0,
                                        reinterpret_cast<LPSTR>(&text), 0, nullptr);
    quenvar::UniqueLocalMemory owner(text);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text, length), "A connection with the server could not be established\r\n");
    EXPECT_EQ(text[length], '\0');

    text = reinterpret_cast<char*>(1);
    SetLastError(0);
    EXPECT_EQ(FormatMessageA(kSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, 0x80041234, 0,
                             reinterpret_cast<LPSTR>(&text), 0, nullptr),
              0u);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);

    quenvar::testing::ScopedFault fault("LocalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(FormatMessageA(kSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, 12029, 0,
                             reinterpret_cast<LPSTR>(&text), 0, nullptr),
              0u);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(text, nullptr);
}

}  // namespace
