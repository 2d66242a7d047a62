// Sends one after another on a thread, in a child process and on threads that end: nothing of one
// send may reach the next, a child must work on its own, and nothing may be left open.
#include "platform/Win32.h"
#include "tests/platform/internet/InternetTestSupport.h"
#include "tests/support/ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace quenvar::testing {
namespace {

using namespace std::chrono_literals;
using Ending = ScriptedAnswer::Ending;

constexpr char kFound[] = "HTTP/1.1 200 OK\r\nServer: scripted\r\n\r\n";
constexpr char kMissing[] = "HTTP/1.1 404 Not Found\r\nServer: other\r\n\r\n";

std::size_t OpenDescriptors()
{
    const std::filesystem::directory_iterator entries("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

TEST(HttpSendRequest, SendsOnOneThreadStandAlone)
{
    ScopedInternetTimeouts timeouts(2000, 300);
    ScriptedHttpServer found(ScriptedAnswer{kFound});
    ScriptedHttpServer missing(ScriptedAnswer{kMissing});
    ScriptedHttpServer silent(ScriptedAnswer{"", 0ms, 0ms, Ending::HoldOpen});
    ScriptedHttpServer cut(ScriptedAnswer{"HTTP/1.1 200 OK\r\nServer: cut\r\n"});
    ScriptedHttpServer interim(ScriptedAnswer{"HTTP/1.1 100 Continue\r\nX-Interim: 1\r\n\r\n" + std::string(kMissing)});
    const std::string closed = "127.0.0.1:" + std::to_string(ClosedLoopbackPort());
    const struct {
        std::string server;
        DWORD error;
        std::string header;
    } sends[] = {
        {found.Address(), ERROR_SUCCESS, kFound},
        {silent.Address(), ERROR_INTERNET_TIMEOUT, ""},
        {missing.Address(), ERROR_SUCCESS, kMissing},
        {closed, ERROR_INTERNET_CANNOT_CONNECT, ""},
        {found.Address(), ERROR_SUCCESS, kFound},
        {cut.Address(), ERROR_HTTP_INVALID_SERVER_RESPONSE, ""},
        {interim.Address(), ERROR_SUCCESS, kMissing},
        {"localhost:" + std::to_string(found.Port()), ERROR_SUCCESS, kFound},
    };
    for (int round = 0; round < 2; ++round) {
        for (const auto& send : sends) {
            SCOPED_TRACE(send.server + " in round " + std::to_string(round));
            OpenedRequest request(send.server);
            SetLastError(0);
            EXPECT_EQ(request.Send(), send.error == ERROR_SUCCESS);
            EXPECT_EQ(GetLastError(), send.error);
            if (send.error == ERROR_SUCCESS) {
                EXPECT_EQ(request.RawHeader(), send.header);
            }
        }
    }
    // One connection for each send: none is kept for the next.
    EXPECT_EQ(found.Requests().size(), 6u);
    EXPECT_EQ(missing.Requests().size(), 2u);
}

TEST(HttpSendRequest, ChildProcessSendsOnItsOwn)
{
    ScriptedHttpServer server(ScriptedAnswer{kFound});
    {
        OpenedRequest request(server.Address());
        ASSERT_TRUE(request.Send()) << GetLastError();
    }
    const pid_t child = fork();
    if (child == 0) {
        bool ok = true;
        for (int i = 0; i < 3; ++i) {
            OpenedRequest request(server.Address());
            ok = ok && request.Send() && request.Status() == 200;
        }
        _exit(ok ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    OpenedRequest request(server.Address());
    EXPECT_TRUE(request.Send()) << GetLastError();
    EXPECT_EQ(server.Requests().size(), 5u);
}

TEST(HttpSendRequest, ThreadsThatEndLeaveNoDescriptorOpen)
{
    {
        // What the process sets up once (the resolver's files, say) may stay open.
        ScriptedHttpServer warmUp(ScriptedAnswer{kFound});
        OpenedRequest request(warmUp.Address());
        ASSERT_TRUE(request.Send()) << GetLastError();
    }
    const std::size_t baseline = OpenDescriptors();
    {
        ScriptedHttpServer server(ScriptedAnswer{kFound});
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&server] {
                OpenedRequest request(server.Address());
                EXPECT_TRUE(request.Send()) << GetLastError();
            });
        }
        for (std::thread& thread : threads) thread.join();
    }
    EXPECT_EQ(OpenDescriptors(), baseline);
}

}  // namespace
}  // namespace quenvar::testing
