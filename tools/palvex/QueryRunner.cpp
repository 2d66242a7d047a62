#include "tools/palvex/QueryRunner.h"

#include "tools/support/StatusText.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace quenvar::tools {
namespace {

class RunState {
public:
    RunState(const std::vector<std::string>& hosts, const ResultSink& inOrder, const ProgressSink& progress)
        : hosts_(hosts), results_(hosts.size()), done_(hosts.size(), false), inOrder_(inOrder), progress_(progress)
    {
    }

    // The index of the next host to query, or the list's size when none is left.
    std::size_t Take() { return next_.fetch_add(1); }
    const std::string& Host(std::size_t index) const { return hosts_[index]; }

    void Finish(std::size_t index, QueryResult result)
    {
        std::lock_guard guard(lock_);
        results_[index] = std::move(result);
        done_[index] = true;
        ++finished_;
        if (progress_) progress_(finished_);
        while (delivered_ < results_.size() && done_[delivered_]) {
            if (inOrder_) inOrder_(results_[delivered_]);
            ++delivered_;
        }
    }

    std::vector<QueryResult> TakeResults() { return std::move(results_); }

private:
    const std::vector<std::string>& hosts_;
    std::atomic<std::size_t> next_{0};
    std::mutex lock_;
    std::vector<QueryResult> results_;
    std::vector<bool> done_;
    std::size_t finished_ = 0;
    std::size_t delivered_ = 0;
    const ResultSink& inOrder_;
    const ProgressSink& progress_;
};

void Work(RunState& state, std::size_t hostCount, const HostQueryFactory& makeQuery)
{
    const HRESULT initialized = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        // Released before the thread uninitialises.
        const std::unique_ptr<HostQuery> query = SUCCEEDED(initialized) ? makeQuery() : nullptr;
        for (std::size_t index = state.Take(); index < hostCount; index = state.Take()) {
            QueryResult result;
            result.host = state.Host(index);
            const auto start = std::chrono::steady_clock::now();
            if (query) query->Run(result.host, result);
            else result.error = "cannot initialise COM: " + DescribeStatus(static_cast<DWORD>(initialized));
            result.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - start)
                                   .count();
            state.Finish(index, std::move(result));
        }
    }
    if (SUCCEEDED(initialized)) CoUninitialize();
}

}  // namespace

std::vector<QueryResult> RunQueries(const std::vector<std::string>& hosts, unsigned jobs,
                                    const HostQueryFactory& makeQuery, const ResultSink& inOrder,
                                    const ProgressSink& progress)
{
    RunState state(hosts, inOrder, progress);
    const std::size_t threadCount = std::min<std::size_t>(std::max(jobs, 1u), hosts.size());
    std::vector<std::thread> threads;
    threads.reserve(threadCount);
    for (std::size_t i = 0; i < threadCount; ++i) {
        threads.emplace_back(Work, std::ref(state), hosts.size(), std::cref(makeQuery));
    }
    for (std::thread& thread : threads) thread.join();
    return state.TakeResults();
}

}  // namespace quenvar::tools
