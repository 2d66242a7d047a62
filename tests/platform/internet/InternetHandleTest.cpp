#include "platform/Win32.h"
#include "platform/test_support/FaultInjection.h"
#include "platform/test_support/InternetTesting.h"
#include "tests/platform/internet/InternetTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace quenvar::testing {
namespace {

HINTERNET Session() { return InternetOpenA("Ferrowin", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0); }

HINTERNET Connect(HINTERNET session, LPCSTR name = "localhost")
{
    return InternetConnectA(session, name, 0, "", "", INTERNET_SERVICE_HTTP, 0, 0);
}

HINTERNET OpenRequest(HINTERNET connection)
{
    return HttpOpenRequestA(connection, "GET", "", "HTTP/1.0", "", nullptr, 0, 0);
}

TEST(InternetHandle, WrongOrClosedHandlesAreRefused)
{
    const std::size_t baseline = OpenInternetHandles();
    HINTERNET session = Session();
    HINTERNET connection = Connect(session);
    HINTERNET request = OpenRequest(connection);
    HINTERNET closed = Session();
    ASSERT_TRUE(InternetCloseHandle(closed));
    DWORD status = 0;
    DWORD length = sizeof status;
    const struct {
        const char* name;
        std::function<bool()> call;
        DWORD error;
    } cases[] = {
        {"connect on NULL", [] { return Connect(nullptr) != nullptr; }, ERROR_INVALID_HANDLE},
        {"connect on garbage", [] { return Connect(reinterpret_cast<HINTERNET>(0x1234)) != nullptr; },
         ERROR_INVALID_HANDLE},
        {"connect on a closed session", [&] { return Connect(closed) != nullptr; }, ERROR_INVALID_HANDLE},
        {"connect on a request", [&] { return Connect(request) != nullptr; }, ERROR_INTERNET_INCORRECT_HANDLE_TYPE},
        {"request on a session", [&] { return OpenRequest(session) != nullptr; }, ERROR_INTERNET_INCORRECT_HANDLE_TYPE},
        {"send on a connection", [&] { return HttpSendRequestA(connection, nullptr, 0, nullptr, 0) != FALSE; },
         ERROR_INTERNET_INCORRECT_HANDLE_TYPE},
        {"query before the send",
         [&] { return HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &length, nullptr) != FALSE; },
         ERROR_INTERNET_INCORRECT_HANDLE_STATE},
        {"query without a length",
         [&] { return HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE, &status, nullptr, nullptr) != FALSE; },
         ERROR_INVALID_PARAMETER},
        {"close of a closed handle", [&] { return InternetCloseHandle(closed) != FALSE; }, ERROR_INVALID_HANDLE},
        {"close of NULL", [] { return InternetCloseHandle(nullptr) != FALSE; }, ERROR_INVALID_HANDLE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_FALSE(c.call());
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(OpenInternetHandles(), baseline + 3);
    // A connection closed first takes its request along and leaves its session's other children,
    // those opened before it and after it.
    HINTERNET second = Connect(session);
    OpenRequest(second);
    Connect(session);
    ASSERT_TRUE(InternetCloseHandle(second));
    EXPECT_EQ(OpenInternetHandles(), baseline + 4);
    ASSERT_TRUE(InternetCloseHandle(request));
    EXPECT_EQ(OpenInternetHandles(), baseline + 3);
    // Closing the session closes what was opened from it.
    ASSERT_TRUE(InternetCloseHandle(session));
    EXPECT_EQ(OpenInternetHandles(), baseline);
    EXPECT_FALSE(InternetCloseHandle(connection));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(InternetHandle, UnsupportedOrForgingArgumentsAreRefused)
{
    HINTERNET session = Session();
    HINTERNET connection = Connect(session);
    LPCSTR forgingAccept[] = {"text/html\r\nX-Forged: 1", nullptr};
    const struct {
        const char* name;
        std::function<HINTERNET()> call;
        DWORD error;
    } cases[] = {
        {"agent with a line end",
         [] { return InternetOpenA("Ferrowin\r\nX-Forged: 1", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0); },
         ERROR_INVALID_PARAMETER},
        {"proxy access", [] { return InternetOpenA("a", INTERNET_OPEN_TYPE_PROXY, "proxy", nullptr, 0); },
         ERROR_NOT_SUPPORTED},
        {"asynchronous session",
         [] { return InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, INTERNET_FLAG_ASYNC); },
         ERROR_NOT_SUPPORTED},
        {"NULL server name", [&] { return Connect(session, nullptr); }, ERROR_INVALID_PARAMETER},
        {"empty server name", [&] { return Connect(session, ""); }, ERROR_INVALID_PARAMETER},
        {"TLS connection",
         [&] {
             return InternetConnectA(session, "localhost", 0, "", "", INTERNET_SERVICE_HTTP, INTERNET_FLAG_SECURE, 0);
         },
         ERROR_NOT_SUPPORTED},
        {"verb with a blank", [&] { return HttpOpenRequestA(connection, "GE T", "", nullptr, nullptr, nullptr, 0, 0); },
         ERROR_INVALID_PARAMETER},
        {"object name with a line end",
         [&] { return HttpOpenRequestA(connection, nullptr, "/\r\nX-Forged: 1", nullptr, nullptr, nullptr, 0, 0); },
         ERROR_INTERNET_INVALID_URL},
        {"unknown version",
         [&] { return HttpOpenRequestA(connection, nullptr, nullptr, "HTTP/2", nullptr, nullptr, 0, 0); },
         ERROR_INVALID_PARAMETER},
        {"referrer with a line end",
         [&] { return HttpOpenRequestA(connection, nullptr, nullptr, nullptr, "a\nb", nullptr, 0, 0); },
         ERROR_INVALID_PARAMETER},
        {"accept type with a line end",
         [&] { return HttpOpenRequestA(connection, nullptr, nullptr, nullptr, nullptr, forgingAccept, 0, 0); },
         ERROR_INVALID_PARAMETER},
    };
    const std::size_t baseline = OpenInternetHandles();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_EQ(c.call(), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(OpenInternetHandles(), baseline);

    HINTERNET request = OpenRequest(connection);
    char body[] = "body";
    EXPECT_FALSE(HttpSendRequestA(request, "X-Extra: 1\r\n", static_cast<DWORD>(-1), nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_FALSE(HttpSendRequestA(request, nullptr, 0, body, sizeof body));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    InternetCloseHandle(session);
}

TEST(InternetSetOption, SetsOnlyTheProcessTimeOuts)
{
    DWORD value = 1000;
    HINTERNET session = Session();
    const struct {
        const char* name;
        HINTERNET handle;
        DWORD option;
        DWORD length;
        DWORD value;
        DWORD error;
    } cases[] = {
        {"connect time-out", nullptr, INTERNET_OPTION_CONNECT_TIMEOUT, 4, 1000, ERROR_SUCCESS},
        {"on a handle", session, INTERNET_OPTION_RECEIVE_TIMEOUT, 4, 1000, ERROR_NOT_SUPPORTED},
        {"unknown option", nullptr, 99, 4, 1000, ERROR_INTERNET_INVALID_OPTION},
        {"short buffer", nullptr, INTERNET_OPTION_CONNECT_TIMEOUT, 2, 1000, ERROR_INTERNET_BAD_OPTION_LENGTH},
        {"zero", nullptr, INTERNET_OPTION_CONNECT_TIMEOUT, 4, 0, ERROR_INVALID_PARAMETER},
    };
    {
        ScopedInternetTimeouts restore(60000, 30000);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            value = c.value;
            SetLastError(12345);
            EXPECT_EQ(InternetSetOptionA(c.handle, c.option, &value, c.length), c.error == ERROR_SUCCESS);
            EXPECT_EQ(GetLastError(), c.error);
        }
    }
    InternetCloseHandle(session);
}

TEST(InternetGetLastResponseInfo, ReportsTheTextOfAnInjectedExtendedError)
{
    DWORD error = 1;
    DWORD length = 50;
    char buffer[64] = "untouched";
    ASSERT_TRUE(InternetGetLastResponseInfoA(&error, buffer, &length));
    EXPECT_EQ(length, 0u);
    EXPECT_STREQ(buffer, "");

    ScopedExtendedErrorText text("550 No such file\r\n");
    {
        ScopedFault fault("InternetOpenA", 1, ERROR_INTERNET_EXTENDED_ERROR);
        EXPECT_EQ(Session(), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INTERNET_EXTENDED_ERROR);
    }
    length = 0;
    EXPECT_FALSE(InternetGetLastResponseInfoA(&error, nullptr, &length));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(length, 19u);
    length = 18;
    EXPECT_FALSE(InternetGetLastResponseInfoA(&error, buffer, &length));
    EXPECT_EQ(length, 19u);
    ASSERT_TRUE(InternetGetLastResponseInfoA(&error, buffer, &length));
    EXPECT_EQ(length, 18u);
    EXPECT_STREQ(buffer, "550 No such file\r\n");
    EXPECT_EQ(error, ERROR_INTERNET_EXTENDED_ERROR);

    // The text belongs to the thread, and the next Internet call forgets it.
    HINTERNET session = Session();
    length = 0;
    EXPECT_TRUE(InternetGetLastResponseInfoA(&error, nullptr, &length));
    EXPECT_EQ(length, 0u);
    InternetCloseHandle(session);
}

TEST(InternetFaultInjection, EachFunctionFailsAsThePlatformDoes)
{
    const std::size_t baseline = OpenInternetHandles();
    HINTERNET session = Session();
    HINTERNET connection = Connect(session);
    HINTERNET request = OpenRequest(connection);
    DWORD value = 1000;
    DWORD length = 4;
    const struct {
        const char* function;
        std::function<bool()> call;
    } cases[] = {
        {"InternetOpenA", [] { return Session() != nullptr; }},
        {"InternetConnectA", [&] { return Connect(session) != nullptr; }},
        {"HttpOpenRequestA", [&] { return OpenRequest(connection) != nullptr; }},
        {"HttpSendRequestA", [&] { return HttpSendRequestA(request, nullptr, 0, nullptr, 0) != FALSE; }},
        {"HttpQueryInfoA",
         [&] { return HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE, &value, &length, nullptr) != FALSE; }},
        {"InternetCloseHandle", [&] { return InternetCloseHandle(request) != FALSE; }},
        {"InternetSetOptionA",
         [&] { return InternetSetOptionA(nullptr, INTERNET_OPTION_CONNECT_TIMEOUT, &value, 4) != FALSE; }},
        {"InternetGetLastResponseInfoA",
         [&] { return InternetGetLastResponseInfoA(&value, nullptr, &length) != FALSE; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.function);
        ScopedFault fault(c.function, 1, ERROR_INTERNET_INTERNAL_ERROR);
        SetLastError(0);
        EXPECT_FALSE(c.call());
        EXPECT_EQ(GetLastError(), ERROR_INTERNET_INTERNAL_ERROR);
        EXPECT_TRUE(FaultFired(c.function));
    }
    // The failed close left the request open; the session's close takes it along.
    EXPECT_EQ(OpenInternetHandles(), baseline + 3);
    EXPECT_TRUE(InternetCloseHandle(session));
    EXPECT_EQ(OpenInternetHandles(), baseline);
}

}  // namespace
}  // namespace quenvar::testing
