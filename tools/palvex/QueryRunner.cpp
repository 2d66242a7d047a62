#include "tools/palvex/QueryRunner.h"

#include "tools/palvex/ServerAddress.h"
#include "tools/support/StatusText.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace quenvar::tools {
namespace {

class RunState {
public:
    RunState(const HostList& hosts, const ResultSink& inOrder, const ProgressSink& progress)
        : cursor_(hosts), inOrder_(inOrder), progress_(progress)
    {
    }

    // The next host to query and its place in the list; false when none is left.
    bool Take(std::size_t& index, std::string& host)
    {
        std::lock_guard guard(lock_);
        std::string_view next;
        if (!cursor_.Next(next)) return false;
        host = next;
        index = taken_++;
        return true;
    }

    void Finish(std::size_t index, QueryResult result)
    {
        std::lock_guard guard(lock_);
        ++finished_;
        if (progress_) progress_(finished_);
        if (index != delivered_) {
            waiting_.emplace(index, std::move(result));
            return;
        }
        Deliver(result);
        for (auto next = waiting_.begin(); next != waiting_.end() && next->first == delivered_;
             next = waiting_.erase(next)) {
            Deliver(next->second);
        }
    }

private:
    void Deliver(const QueryResult& result)
    {
        if (inOrder_) inOrder_(result);
        ++delivered_;
    }

    std::mutex lock_;
    HostList::Cursor cursor_;
    std::size_t taken_ = 0;
    std::size_t finished_ = 0;
    std::size_t delivered_ = 0;
    std::map<std::size_t, QueryResult> waiting_;  // finished before an earlier host
    const ResultSink& inOrder_;
    const ProgressSink& progress_;
};

void Work(RunState& state, const HostQueryFactory& makeQuery)
{
    const HRESULT initialized = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        // Released before the thread uninitialises.
        const std::unique_ptr<HostQuery> query = SUCCEEDED(initialized) ? makeQuery() : nullptr;
        for (;;) {
            std::size_t index = 0;
            QueryResult result;
            if (!state.Take(index, result.host)) break;
            const auto start = std::chrono::steady_clock::now();
            std::string server;
            if (!query) result.error = "cannot initialise COM: " + DescribeStatus(static_cast<DWORD>(initialized));
            else if (ServerFromHost(result.host, server, result.error)) query->Run(server, result);
            result.elapsedMs =
                std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
            state.Finish(index, std::move(result));
        }
    }
    if (SUCCEEDED(initialized)) CoUninitialize();
}

}  // namespace

void RunQueries(const HostList& hosts, unsigned jobs, const HostQueryFactory& makeQuery, const ResultSink& inOrder,
                const ProgressSink& progress)
{
    RunState state(hosts, inOrder, progress);
    const std::size_t threadCount = std::min<std::size_t>(std::max(jobs, 1u), hosts.size());
    std::vector<std::thread> threads;
    threads.reserve(threadCount);
    for (std::size_t i = 0; i < threadCount; ++i) threads.emplace_back(Work, std::ref(state), std::cref(makeQuery));
    for (std::thread& thread : threads) thread.join();
}

}  // namespace quenvar::tools
