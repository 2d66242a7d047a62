// Servers that answer badly, slowly or not at all: each send ends with a clear code, within the
// connect and receive time-outs.
#include "platform/Win32.h"
#include "tests/platform/internet/InternetTestSupport.h"
#include "tests/support/ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace quenvar::testing {
namespace {

using namespace std::chrono_literals;
using Ending = ScriptedAnswer::Ending;

constexpr DWORD kConnectMs = 2000;
// Room for a loaded machine: a quick drip of the valid answer must finish well inside it.
constexpr DWORD kReceiveMs = 800;

std::string ManyHeaderLines(int lines, int width)
{
    std::string text = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < lines; ++i) text += "X-Filler-" + std::to_string(i) + ": " + std::string(width, 'a') + "\r\n";
    return text + "\r\n";
}

TEST(HostileServer, EveryAnswerEndsWithClearCodeInBoundedTime)
{
    ScopedInternetTimeouts timeouts(kConnectMs, kReceiveMs);
    const std::string valid = "HTTP/1.1 200 OK\r\nServer: slow\r\n\r\n";
    const struct {
        const char* name;
        ScriptedAnswer answer;
        DWORD error;
    } cases[] = {
        {"header over the bound", {ManyHeaderLines(100, 1000)}, ERROR_HTTP_INVALID_SERVER_RESPONSE},
        {"one line longer than the bound", {ManyHeaderLines(1, 200 * 1024)}, ERROR_HTTP_INVALID_SERVER_RESPONSE},
        {"no status line", {"garbage\r\n\r\n"}, ERROR_HTTP_INVALID_SERVER_RESPONSE},
        {"status without a number", {"HTTP/1.1 abc OK\r\n\r\n"}, ERROR_HTTP_INVALID_SERVER_RESPONSE},
        {"NUL inside the header",
         {std::string("HTTP/1.1 200 OK\r\nX: a\0b\r\n\r\n", 27)},
         ERROR_HTTP_INVALID_SERVER_RESPONSE},
        {"closes at once", {""}, ERROR_HTTP_INVALID_SERVER_RESPONSE},
        {"resets at once", {"", 0ms, 0ms, Ending::Reset}, ERROR_INTERNET_CONNECTION_RESET},
        {"closes inside the header", {"HTTP/1.1 200 OK\r\nServer: cut\r\n"}, ERROR_HTTP_INVALID_SERVER_RESPONSE},
        {"accepts and never answers", {"", 0ms, 0ms, Ending::HoldOpen}, ERROR_INTERNET_TIMEOUT},
        {"stops inside the header", {"HTTP/1.1 200 OK\r\n", 0ms, 0ms, Ending::HoldOpen}, ERROR_INTERNET_TIMEOUT},
        {"answers too late", {valid, 2000ms}, ERROR_INTERNET_TIMEOUT},
        // 1 ms a byte would be done in a fraction of the time-out, 40 ms a byte takes too long.
        {"drips quickly", {valid, 0ms, 1ms}, ERROR_SUCCESS},
        {"drips slowly", {valid, 0ms, 40ms}, ERROR_INTERNET_TIMEOUT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedHttpServer server(c.answer);
        OpenedRequest request(server.Address());
        const auto start = std::chrono::steady_clock::now();
        SetLastError(0);
        const BOOL sent = request.Send();
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(sent, c.error == ERROR_SUCCESS);
        EXPECT_EQ(GetLastError(), c.error);
        // The bound the time-outs promise, with room for a loaded machine.
        EXPECT_LT(elapsed, std::chrono::milliseconds(kConnectMs + kReceiveMs) + 2s);
    }
}

TEST(HostileServer, ConnectTimeOutBoundsAConnectionThatIsNeverAccepted)
{
    ScopedInternetTimeouts timeouts(kReceiveMs, kReceiveMs);
    FullListener listener;
    OpenedRequest request(listener.Address());
    const auto start = std::chrono::steady_clock::now();
    SetLastError(0);
    EXPECT_FALSE(request.Send());
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_TIMEOUT);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2 * kReceiveMs) + 2s);
}

}  // namespace
}  // namespace quenvar::testing
