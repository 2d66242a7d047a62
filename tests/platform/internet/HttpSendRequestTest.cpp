#include "platform/Win32.h"
#include "tests/platform/internet/InternetTestSupport.h"
#include "tests/support/ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace quenvar::testing {
namespace {

constexpr char kHello[] = "HTTP/1.1 200 OK\r\nServer: scripted\r\nContent-Length: 5\r\n\r\nhello";

TEST(HttpSendRequest, SendsPlainHttp10GetDirectly)
{
    ScriptedHttpServer server(ScriptedAnswer{kHello});
    // A proxy in the environment must not be used.
    ::setenv("http_proxy", "http://127.0.0.1:9", 1);
    OpenedRequest request(server.Address());
    const BOOL sent = request.Send();
    ::unsetenv("http_proxy");
    ASSERT_TRUE(sent) << GetLastError();
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], "GET / HTTP/1.0\r\nHost: " + server.Address() + "\r\nUser-Agent: Ferrowin\r\n\r\n");
}

TEST(HttpSendRequest, RequestArgumentsGoOnTheWire)
{
    ScriptedHttpServer server(ScriptedAnswer{kHello});
    HINTERNET session = InternetOpenA(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET connection =
        InternetConnectA(session, "127.0.0.1", server.Port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    LPCSTR accept[] = {"text/html", "*/*", nullptr};
    HINTERNET request = HttpOpenRequestA(connection, "HEAD", "a b", nullptr, "http://referrer.test/", accept, 0, 0);
    ASSERT_NE(request, nullptr);
    ASSERT_TRUE(HttpSendRequestA(request, nullptr, 0, nullptr, 0)) << GetLastError();
    EXPECT_TRUE(InternetCloseHandle(session));
    EXPECT_EQ(server.Requests().at(0), "HEAD /a%20b HTTP/1.1\r\nHost: " + server.Address() +
                                           "\r\nReferer: http://referrer.test/\r\nAccept: text/html, */*\r\n\r\n");
    // Nothing of that request reaches the next one on the thread.
    OpenedRequest plain(server.Address());
    ASSERT_TRUE(plain.Send()) << GetLastError();
    EXPECT_EQ(server.Requests().at(1),
              "GET / HTTP/1.0\r\nHost: " + server.Address() + "\r\nUser-Agent: Ferrowin\r\n\r\n");
}

TEST(HttpQueryInfo, RawHeaderKeepsLinesAsReceivedWithTheClientsSizing)
{
    ScriptedHttpServer server(ScriptedAnswer{"HTTP/1.0 200 OK\nServer:tight\r\nDate:  two blanks \r\n\r\nbody"});
    OpenedRequest request(server.Address());
    ASSERT_TRUE(request.Send()) << GetLastError();
    const std::string expected = "HTTP/1.0 200 OK\r\nServer:tight\r\nDate:  two blanks \r\n\r\n";
    const auto size = static_cast<DWORD>(expected.size());

    DWORD length = 4;  // the component asks with the length its status query left
    SetLastError(0);
    EXPECT_FALSE(HttpQueryInfoA(request.Request(), HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &length, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(length, size + 1);

    std::string buffer(size + 2, '\x7F');
    length = size;  // no room for the NUL
    EXPECT_FALSE(HttpQueryInfoA(request.Request(), HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &length, nullptr));
    EXPECT_EQ(length, size + 1);
    length = size + 1;
    ASSERT_TRUE(HttpQueryInfoA(request.Request(), HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &length, nullptr));
    EXPECT_EQ(length, size);
    EXPECT_EQ(buffer.substr(0, size + 1), expected + '\0');

    char statusText[8] = {};
    length = sizeof statusText;
    ASSERT_TRUE(HttpQueryInfoA(request.Request(), HTTP_QUERY_STATUS_CODE, statusText, &length, nullptr));
    EXPECT_STREQ(statusText, "200");
    EXPECT_EQ(length, 3u);
    DWORD status = 0;
    length = 2;
    EXPECT_FALSE(
        HttpQueryInfoA(request.Request(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(length, 4u);
    length = 4;
    EXPECT_FALSE(HttpQueryInfoA(request.Request(),
                                HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER | HTTP_QUERY_FLAG_REQUEST_HEADERS,
                                &status, &length, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_HTTP_INVALID_QUERY_REQUEST);
}

TEST(HttpSendRequest, AnyStatusSucceedsAndRedirectsAreNotFollowed)
{
    ScriptedHttpServer elsewhere(ScriptedAnswer{kHello});
    const struct {
        std::string answer;
        DWORD status;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\n\r\n", 200},
        {"HTTP/1.1 302 Found\r\nLocation: http://" + elsewhere.Address() + "/\r\n\r\n", 302},
        {"HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"x\"\r\n\r\n", 401},
        {"HTTP/1.1 404 Not Found\r\n\r\n", 404},
        {"HTTP/1.1 407 Proxy Authentication Required\r\n\r\n", 407},
        {"HTTP/1.1 500 Internal Server Error\r\n\r\n", 500},
        {"HTTP/1.1 204\r\n\r\n", 204},
        {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\n\r\n", 201},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        ScriptedHttpServer server(ScriptedAnswer{c.answer});
        OpenedRequest request(server.Address());
        ASSERT_TRUE(request.Send()) << GetLastError();
        EXPECT_EQ(request.Status(), c.status);
        EXPECT_EQ(request.RawHeader().substr(0, 12), "HTTP/1.1 " + std::to_string(c.status));
    }
    EXPECT_TRUE(elsewhere.Requests().empty());
}

TEST(HttpSendRequest, NamesThatAreNotHostsSendNothing)
{
    ScriptedHttpServer server(ScriptedAnswer{kHello});
    const std::string port = std::to_string(server.Port());
    const std::string names[] = {
        "http://127.0.0.1:" + port,
        "127.0.0.1:" + port + "/path",
        "user@127.0.0.1:" + port,
        "127.0.0.1 :" + port,
        "127.0.0.1:" + port + "\r\nX-Forged: 1",
        "127.0.0.1:",
        "127.0.0.1:0",
        "127.0.0.1:65536",
        "127.0.0.1:+80",
        "[::1",
        "[::1]" + port,
        "[fe80::1%25lo]:" + port,
        "[]:" + port,
        "\xE9xample.test",
        std::string(254, 'a'),
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        OpenedRequest request(name);
        SetLastError(0);
        EXPECT_FALSE(request.Send());
        EXPECT_EQ(GetLastError(), ERROR_INTERNET_NAME_NOT_RESOLVED);
    }
    EXPECT_TRUE(server.Requests().empty());
}

TEST(HttpSendRequest, HostFormsReachTheServer)
{
    ScriptedHttpServer v4(ScriptedAnswer{kHello});
    ScriptedHttpServer v6(ScriptedAnswer{kHello}, /*ipv6=*/true);
    const std::string port4 = std::to_string(v4.Port());
    const std::string port6 = std::to_string(v6.Port());
    const struct {
        std::string name;
        INTERNET_PORT port;
    } cases[] = {
        {"127.0.0.1:" + port4, 0}, {"localhost:" + port4, 0}, {"127.0.0.1", v4.Port()}, {"127.0.0.1:" + port4, 9},
        {"[::1]:" + port6, 0},     {"[::1]", v6.Port()},      {"::1", v6.Port()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HINTERNET session = InternetOpenA("Ferrowin", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
        HINTERNET connection = InternetConnectA(session, c.name.c_str(), c.port, "", "", INTERNET_SERVICE_HTTP, 0, 0);
        HINTERNET request = HttpOpenRequestA(connection, "GET", "", "HTTP/1.0", "", nullptr, 0, 0);
        EXPECT_TRUE(HttpSendRequestA(request, nullptr, 0, nullptr, 0)) << GetLastError();
        InternetCloseHandle(session);
    }
    EXPECT_EQ(v4.Requests().size() + v6.Requests().size(), std::size(cases));
}

TEST(HttpSendRequest, UnreachableServerCannotConnect)
{
    OpenedRequest request("127.0.0.1:" + std::to_string(ClosedLoopbackPort()));
    SetLastError(0);
    EXPECT_FALSE(request.Send());
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_CANNOT_CONNECT);
    DWORD length = 4;
    DWORD status = 0;
    EXPECT_FALSE(
        HttpQueryInfoA(request.Request(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);
}

TEST(HttpSendRequest, ManyThreadsQueryAtOnce)
{
    constexpr int kThreads = 8;
    constexpr int kQueriesEach = 5;
    ScriptedHttpServer server(ScriptedAnswer{kHello});
    std::atomic<int> succeeded{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int q = 0; q < kQueriesEach; ++q) {
                OpenedRequest request(server.Address());
                if (request.Send() && request.Status() == 200 &&
                    request.RawHeader().find("Server: scripted") != std::string::npos) {
                    ++succeeded;
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(succeeded.load(), kThreads * kQueriesEach);
    EXPECT_EQ(server.Requests().size(), static_cast<std::size_t>(kThreads * kQueriesEach));
}

}  // namespace
}  // namespace quenvar::testing
