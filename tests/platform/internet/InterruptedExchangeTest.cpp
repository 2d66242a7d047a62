// An exchange under conditions the process around it creates: signals arriving while a send
// waits for the server, and no file descriptor left for its socket. Loopback only.
#include "platform/Win32.h"
#include "tests/platform/internet/InternetTestSupport.h"
#include "tests/support/ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <pthread.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace quenvar::testing {
namespace {

using namespace std::chrono_literals;

void Ignore(int) {}

// Interrupts one thread with a signal whose handler returns, again and again, for the scope:
// every blocking call the thread makes in between fails with EINTR.
class SignalStorm {
public:
    explicit SignalStorm(pthread_t target) : target_(target)
    {
        struct sigaction action {};
        action.sa_handler = Ignore;
        sigemptyset(&action.sa_mask);
        sigaction(SIGUSR2, &action, &previous_);
        sender_ = std::thread([this] {
            while (!stop_.load()) {
                pthread_kill(target_, SIGUSR2);
                std::this_thread::sleep_for(2ms);
            }
        });
    }
    ~SignalStorm()
    {
        stop_.store(true);
        sender_.join();
        sigaction(SIGUSR2, &previous_, nullptr);
    }
    SignalStorm(const SignalStorm&) = delete;
    SignalStorm& operator=(const SignalStorm&) = delete;

private:
    pthread_t target_;
    struct sigaction previous_ {};
    std::atomic<bool> stop_{false};
    std::thread sender_;
};

TEST(InterruptedExchange, SignalsWhileWaitingForTheAnswerAreNotAFailure)
{
    // The server answers only after a while, so that the receive is interrupted many times.
    ScriptedAnswer answer{"HTTP/1.1 200 OK\r\nServer: patient\r\n\r\n"};
    answer.delay = 200ms;
    ScriptedHttpServer server(answer);
    OpenedRequest request(server.Address());
    BOOL sent = FALSE;
    {
        SignalStorm storm(pthread_self());
        sent = request.Send();
    }
    ASSERT_TRUE(sent) << GetLastError();
    EXPECT_EQ(request.Status(), 200u);
}

TEST(InterruptedExchange, SignalsWhileConnectingStillWaitForTheTimeOut)
{
    // The connection is never accepted: interrupted or not, the connect time-out decides.
    ScopedInternetTimeouts timeouts(300, 300);
    FullListener listener;
    OpenedRequest request(listener.Address());
    BOOL sent = TRUE;
    {
        SignalStorm storm(pthread_self());
        SetLastError(0);
        sent = request.Send();
    }
    EXPECT_FALSE(sent);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INTERNET_TIMEOUT});
}

TEST(InterruptedExchange, NoDescriptorLeftForTheSocketIsAResourceError)
{
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizers' runtime opens descriptors of its own to check memory; without any, its
    // checks fail where the code is sound.
    GTEST_SKIP() << "needs free descriptors under the sanitizers";
#endif
    ScriptedHttpServer server(ScriptedAnswer{"HTTP/1.1 200 OK\r\n\r\n"});
    OpenedRequest request(server.Address());
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    // The lowest free descriptor becomes the limit: no new one can be opened.
    const int lowestFree = dup(STDIN_FILENO);
    ASSERT_GE(lowestFree, 0);
    close(lowestFree);
    rlimit exhausted = saved;
    exhausted.rlim_cur = static_cast<rlim_t>(lowestFree);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &exhausted), 0);
    SetLastError(0);
    const BOOL sent = request.Send();
    const DWORD error = GetLastError();
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
    EXPECT_FALSE(sent);
    EXPECT_EQ(error, DWORD{ERROR_NO_SYSTEM_RESOURCES});
    // With descriptors again the same request goes through.
    ASSERT_TRUE(request.Send()) << GetLastError();
    EXPECT_EQ(request.Status(), 200u);
}

}  // namespace
}  // namespace quenvar::testing
