// Finding the server: numbers without a look-up, names through the system's resolver within the
// connect time-out, and what a failed look-up reports. Only loopback names are looked up.
#include "linux/internet/ExchangeErrors.h"
#include "linux/internet/Resolver.h"
#include "platform/test_support/FaultInjection.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <filesystem>
#include <future>
#include <iterator>
#include <memory>
#include <thread>

namespace quenvar::platform {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string AddressText(const SocketAddress& address)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.storage.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address.storage);
        return std::string(inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text)) + " " +
               std::to_string(ntohs(v6.sin6_port));
    }
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address.storage);
    return std::string(inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text)) + " " + std::to_string(ntohs(v4.sin_port));
}

TEST(ResolveServer, NumbersNeedNoLookUpAndAreWrittenInTheirUsualForm)
{
    const struct {
        ServerAddress server;
        std::string host;
        std::string address;
    } cases[] = {
        {{"127.0.0.1", false, 8080}, "127.0.0.1", "127.0.0.1 8080"},
        {{"127.1", false, 80}, "127.0.0.1", "127.0.0.1 80"},
        {{"0x7f.0.0.1", false, 81}, "127.0.0.1", "127.0.0.1 81"},
        {{"2130706433", false, 82}, "127.0.0.1", "127.0.0.1 82"},
        {{"255.255.255.255", false, 87}, "255.255.255.255", "255.255.255.255 87"},
        {{"127.000.000.010", false, 86}, "127.0.0.8", "127.0.0.8 86"},
        {{"::1", true, 83}, "[::1]", "::1 83"},
        {{"0:0:0:0:0:0:0:1", true, 84}, "[::1]", "::1 84"},
        {{"::FFFF:7f00:1", true, 85}, "[::ffff:127.0.0.1]", "::ffff:127.0.0.1 85"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server.host);
        ResolvedServer resolved;
        // A deadline already passed: a look-up could not finish in time.
        ASSERT_EQ(ResolveServer(c.server, Clock::now() - 1s, resolved), 0);
        EXPECT_EQ(resolved.host, c.host);
        ASSERT_EQ(resolved.addresses.size(), 1u);
        EXPECT_EQ(AddressText(resolved.addresses[0]), c.address);
    }
    ResolvedServer resolved;
    EXPECT_EQ(
        InternetErrorFrom(ExchangeStep::Resolve, ResolveServer({"1::2::3", true, 80}, Clock::now() + 5s, resolved)),
        ERROR_INTERNET_NAME_NOT_RESOLVED);
}

TEST(ResolveServer, NamesGoToTheSystemsResolver)
{
    ResolvedServer resolved;
    ASSERT_EQ(ResolveServer({"localhost", false, 8080}, Clock::now() + 10s, resolved), 0);
    EXPECT_EQ(resolved.host, "localhost");
    ASSERT_FALSE(resolved.addresses.empty());
    for (const SocketAddress& address : resolved.addresses) {
        const std::string text = AddressText(address);
        EXPECT_TRUE(text == "127.0.0.1 8080" || text == "::1 8080") << text;
    }
}

TEST(LookUpBefore, AnswersAtTheDeadlineWhileTheLookUpGoesOnAlone)
{
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    auto ended = std::make_shared<std::promise<void>>();
    std::future<void> lookUpEnded = ended->get_future();
    std::vector<SocketAddress> addresses;
    const auto start = Clock::now();
    const int result = LookUpBefore(
        [released, ended](addrinfo** list) {
            released.wait();
            // What a look-up that finished late leaves must still be freed.
            addrinfo hints{};
            hints.ai_flags = AI_NUMERICHOST;
            const int found = getaddrinfo("127.0.0.1", nullptr, &hints, list);
            ended->set_value();
            return found;
        },
        start + 100ms, addresses);
    EXPECT_EQ(result, ETIMEDOUT);
    EXPECT_GE(Clock::now() - start, 100ms);
    EXPECT_TRUE(addresses.empty());
    release.set_value();
    lookUpEnded.wait();
}

int LookUpLoopback(addrinfo** list)
{
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST;
    hints.ai_socktype = SOCK_STREAM;
    return getaddrinfo("127.0.0.1", nullptr, &hints, list);
}

std::size_t ThreadsOfProcess()
{
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

TEST(LookUpBefore, LookUpsPastTheirDeadlineHoldNoMoreThanThePoolsThreads)
{
    // A resolver that never answers until the test lets it.
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    const std::size_t before = ThreadsOfProcess();
    for (std::size_t i = 0; i < 3 * kLookUpThreads; ++i) {
        std::vector<SocketAddress> addresses;
        const int result = LookUpBefore(
            [released](addrinfo**) {
                released.wait();
                return EAI_AGAIN;
            },
            Clock::now() + 5ms, addresses);
        EXPECT_EQ(InternetErrorFrom(ExchangeStep::Resolve, result), ERROR_INTERNET_TIMEOUT);
    }
    EXPECT_LE(ThreadsOfProcess(), before + kLookUpThreads);
    release.set_value();
    std::vector<SocketAddress> addresses;
    EXPECT_EQ(LookUpBefore(LookUpLoopback, Clock::now() + 10s, addresses), 0);
    EXPECT_EQ(addresses.size(), 1u);
}

TEST(LookUpBefore, NoThreadForTheLookUpIsAResourceError)
{
    LookUpThreads threads(2);
    AddressList list;
    {
        testing::ScopedFault fault("LookUpThread", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(InternetErrorFrom(ExchangeStep::Resolve, threads.Run(LookUpLoopback, Clock::now() + 10s, list)),
                  ERROR_NO_SYSTEM_RESOURCES);
    }
    EXPECT_EQ(threads.Run(LookUpLoopback, Clock::now() + 10s, list), 0);
    EXPECT_NE(list, nullptr);
}

TEST(LookUpBefore, FailedLookUpsReportTheClientsCodes)
{
    const struct {
        int code;
        DWORD error;
    } cases[] = {
        {EAI_NONAME, ERROR_INTERNET_NAME_NOT_RESOLVED}, {EAI_AGAIN, ERROR_INTERNET_NAME_NOT_RESOLVED},
        {EAI_FAIL, ERROR_INTERNET_NAME_NOT_RESOLVED},   {EAI_MEMORY, ERROR_NOT_ENOUGH_MEMORY},
        {0, ERROR_INTERNET_NAME_NOT_RESOLVED},  // no address in the list
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        std::vector<SocketAddress> addresses;
        const int result = LookUpBefore([&](addrinfo**) { return c.code; }, Clock::now() + 10s, addresses);
        EXPECT_EQ(InternetErrorFrom(ExchangeStep::Resolve, result), c.error);
        EXPECT_TRUE(addresses.empty());
    }
}

}  // namespace
}  // namespace quenvar::platform
