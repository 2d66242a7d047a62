#include "tools/palvex/QueryRunner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <set>
#include <thread>

namespace quenvar::tools {
namespace {

// Answers after a pause that makes later hosts finish first, and records what it saw of its
// thread: each query object must stay on one thread that has initialised COM.
class FakeQuery final : public HostQuery {
public:
    FakeQuery(std::mutex& lock, std::set<std::thread::id>& threads) : lock_(lock), threads_(threads) {}

    void Run(const std::string& host, QueryResult& result) override
    {
        {
            std::lock_guard guard(lock_);
            threads_.insert(std::this_thread::get_id());
        }
        EXPECT_EQ(std::this_thread::get_id(), owner_);
        // S_FALSE: the runner initialised this thread already.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        CoUninitialize();
        const int number = std::stoi(host);
        std::this_thread::sleep_for(std::chrono::milliseconds((20 - number % 20) / 2));
        result.ok = number % 3 != 0;
        result.httpVer = "v" + host;
    }

private:
    std::thread::id owner_ = std::this_thread::get_id();
    std::mutex& lock_;
    std::set<std::thread::id>& threads_;
};

TEST(QueryRunner, KeepsInputOrderWithManyThreads)
{
    HostList hosts;
    for (int i = 0; i < 40; ++i) hosts.Append(std::to_string(i));
    std::mutex lock;
    std::set<std::thread::id> threads;
    std::vector<QueryResult> results;
    std::vector<std::size_t> progress;
    RunQueries(
        hosts, 8, [&] { return std::make_unique<FakeQuery>(lock, threads); },
        [&](const QueryResult& result) { results.push_back(result); },
        [&](std::size_t finished) { progress.push_back(finished); });

    ASSERT_EQ(results.size(), hosts.size());
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(results[i].host, std::to_string(i));
        EXPECT_EQ(results[i].httpVer, "v" + std::to_string(i));
        EXPECT_EQ(results[i].ok, i % 3 != 0);
        EXPECT_GE(results[i].elapsedMs, 0);
    }
    ASSERT_EQ(progress.size(), hosts.size());
    EXPECT_EQ(progress.back(), hosts.size());
    EXPECT_GT(threads.size(), 1u);
    EXPECT_LE(threads.size(), 8u);
}

TEST(QueryRunner, NeverStartsMoreThreadsThanHosts)
{
    std::mutex lock;
    std::set<std::thread::id> threads;
    HostList hosts;
    hosts.Append("1");
    hosts.Append("2");
    std::size_t delivered = 0;
    RunQueries(
        hosts, 64, [&] { return std::make_unique<FakeQuery>(lock, threads); }, [&](const QueryResult&) { ++delivered; },
        nullptr);
    EXPECT_EQ(delivered, 2u);
    EXPECT_LE(threads.size(), 2u);
}

}  // namespace
}  // namespace quenvar::tools
