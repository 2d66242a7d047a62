#include "component/ErrorText.h"
#include "platform/test_support/FaultInjection.h"
#include "platform/test_support/InternetTesting.h"

#include <gtest/gtest.h>

#include <string>

namespace quenvar {
namespace {

std::u16string Compose(DWORD code, const char* label)
{
    UniqueBstr errorInfo(SysAllocString(u"earlier failure"));
    ComposeErrorText(code, label, errorInfo);
    return std::u16string(errorInfo.get(), SysStringLen(errorInfo.get()));
}

// Leaves `text` as the thread's last response text, the way a failed Internet call does.
void LeaveResponseText(const char* text)
{
    testing::ScopedExtendedErrorText armed(text);
    testing::ScopedFault fault("InternetOpenA", 1, ERROR_INTERNET_EXTENDED_ERROR);
    EXPECT_EQ(InternetOpenA("Ferrowin", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0), nullptr);
}

TEST(ComposeErrorText, OrdinaryCodesGiveTheShortText)
{
    const struct {
        DWORD code;
        const char* label;
        std::u16string expected;
    } cases[] = {
        {12029, "HttpSend", u"HttpSend error 12029\n "},
        {0, "This page is password protected", u"This page is password protected error 0\n "},
        {0x80004005, "HttpQueryInfo", u"HttpQueryInfo error -2147467259\n "},
        {0xFFFFFFFF, "CloseHandle on hConnect", u"CloseHandle on hConnect error -1\n "},
    };
    LeaveResponseText("never shown");
    // Only the extended error asks the client for its response text.
    testing::ScopedFault untouched("InternetGetLastResponseInfoA", 1, ERROR_INTERNET_INTERNAL_ERROR);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(Compose(c.code, c.label), c.expected);
    }
    EXPECT_FALSE(testing::FaultFired("InternetGetLastResponseInfoA"));
}

TEST(ComposeErrorText, ExtendedErrorAppendsTheResponseTextUnchanged)
{
    LeaveResponseText("530 Not logged in.\r\nSecond line\r\n");
    EXPECT_EQ(Compose(ERROR_INTERNET_EXTENDED_ERROR, "HttpSend"),
              u"HttpSend error 12003\n 530 Not logged in.\r\nSecond line\r\n");
    LeaveResponseText("");
    EXPECT_EQ(Compose(ERROR_INTERNET_EXTENDED_ERROR, "HttpSend"), u"HttpSend error 12003\n ");
}

TEST(ComposeErrorText, NoticesCarryTheLastErrorOfTheirMoment)
{
    const struct {
        const char* function;
        unsigned nth;
        DWORD error;
        std::u16string expected;
    } cases[] = {
        {"LocalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY,
         u"This page is password protected error 12003\n Unable to allocate memory to display Internet error code. "
         u"Error code: 8\n"},
        {"InternetGetLastResponseInfoA", 2, ERROR_INTERNET_INTERNAL_ERROR,
         u"This page is password protected error 12003\n Unable to get Intrnet error. Error code: 12004\n"},
        {"LocalAlloc", 2, 0x80000000,
         u"This page is password protected error 12003\n Unable to allocate memory. Error code: -2147483648\n"},
        // The longest label, notice and code together: longer than the short text's 100 bytes.
        {"LocalAlloc", 1, 0x80000000,
         u"This page is password protected error 12003\n Unable to allocate memory to display Internet error code. "
         u"Error code: -2147483648\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.function + std::to_string(c.nth));
        LeaveResponseText("421 Service not available\r\n");
        testing::ScopedFault fault(c.function, c.nth, c.error);
        EXPECT_EQ(Compose(ERROR_INTERNET_EXTENDED_ERROR, "This page is password protected"), c.expected);
        EXPECT_TRUE(testing::FaultFired(c.function));
    }
}

}  // namespace
}  // namespace quenvar
