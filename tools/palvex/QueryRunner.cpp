#include "tools/palvex/QueryRunner.h"

#include "tools/palvex/ServerAddress.h"
#include "tools/palvex/SmallStackThread.h"
#include "tools/support/StatusText.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <system_error>

namespace quenvar::tools {
namespace {

// A job's stack, with room to spare: a query reaches about 23 KiB deep, 35 KiB under the
// sanitizers. Measured with the stack filled with a pattern (late- and early-bound, answered,
// refused and unresolved) at 18 and 30 KiB, before QueryServer's frame took the 4.4 KiB
// (-fstack-usage) in which it now receives the header.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kJobStackBytes = std::size_t{1024} * 1024;
#else
constexpr std::size_t kJobStackBytes = std::size_t{256} * 1024;
#endif

class RunState {
public:
    RunState(const HostList& hosts, unsigned jobs, const HostQueryFactory& makeQuery, const ResultSink& inOrder,
             const ProgressSink& progress)
        : cursor_(hosts),
          total_(hosts.size()),
          limit_(std::max(jobs, 1u)),
          makeQuery_(makeQuery),
          inOrder_(inOrder),
          progress_(progress)
    {
    }

    // Starts the first job, which starts the others while they are needed, and waits for every
    // result. Throws std::system_error when not even one thread can be started.
    void Run()
    {
        std::unique_lock lock(lock_);
        if (total_ == 0) return;
        StartJob();
        allFinished_.wait(lock, [&] { return finished_ == total_; });
        lock.unlock();
        // Every host is taken: no job starts another any more.
        threads_.clear();
    }

private:
    // Called with the lock held.
    void StartJob()
    {
        threads_.emplace_back(kJobStackBytes, [this] { Work(); });
    }

    bool Take(std::size_t& index, std::string& host)
    {
        std::lock_guard guard(lock_);
        return TakeLocked(index, host);
    }

    // Hands the result on and takes the next host into a fresh result, under one lock; false
    // when no host is left.
    bool FinishAndTake(std::size_t& index, QueryResult& result)
    {
        std::lock_guard guard(lock_);
        FinishLocked(index, result);
        result = QueryResult{};
        return TakeLocked(index, result.host);
    }

    // The next host to query and its place in the list; false when none is left. Another job
    // starts when a host is still waiting and every job is busy. Called with the lock held.
    bool TakeLocked(std::size_t& index, std::string& host)
    {
        std::string_view next;
        if (!cursor_.Next(next)) return false;
        host = next;
        index = taken_++;
        if (++busy_ == threads_.size() && taken_ < total_ && threads_.size() < limit_) {
            try {
                StartJob();
            } catch (const std::system_error&) {
                // The system allows no more threads: the jobs that run share the rest.
                limit_ = threads_.size();
            }
        }
        return true;
    }

    // Called with the lock held; `result` may be left moved from.
    void FinishLocked(std::size_t index, QueryResult& result)
    {
        --busy_;
        ++finished_;
        if (progress_) progress_(finished_);
        if (index != delivered_) {
            waiting_.emplace(index, std::move(result));
        } else {
            Deliver(result);
            for (auto next = waiting_.begin(); next != waiting_.end() && next->first == delivered_;
                 next = waiting_.erase(next)) {
                Deliver(next->second);
            }
        }
        if (finished_ == total_) allFinished_.notify_one();
    }

    void Deliver(const QueryResult& result)
    {
        if (inOrder_) inOrder_(result);
        ++delivered_;
    }

    void Work()
    {
        std::size_t index = 0;
        QueryResult result;
        // The first host is taken before COM and the query are set up, so that the next job
        // starts at once: jobs come up at the rate threads start, not one setup after another.
        if (!Take(index, result.host)) return;
        const HRESULT initialized = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            // Released before the thread uninitialises.
            const std::unique_ptr<HostQuery> query = SUCCEEDED(initialized) ? makeQuery_() : nullptr;
            do {
                const auto start = std::chrono::steady_clock::now();
                std::string server;
                if (!query) {
                    result.error = "cannot initialise COM: " + DescribeStatus(static_cast<DWORD>(initialized));
                } else if (ServerFromHost(result.host, server, result.error)) {
                    query->Run(server, result);
                }
                result.elapsedMs =
                    std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                        .count();
            } while (FinishAndTake(index, result));
        }
        if (SUCCEEDED(initialized)) CoUninitialize();
    }

    std::mutex lock_;
    std::condition_variable allFinished_;
    HostList::Cursor cursor_;
    const std::size_t total_;
    std::size_t limit_;
    std::size_t taken_ = 0;
    std::size_t busy_ = 0;
    std::size_t finished_ = 0;
    std::size_t delivered_ = 0;
    std::map<std::size_t, QueryResult> waiting_;  // finished before an earlier host
    std::deque<SmallStackThread> threads_;
    const HostQueryFactory& makeQuery_;
    const ResultSink& inOrder_;
    const ProgressSink& progress_;
};

}  // namespace

void RunQueries(const HostList& hosts, unsigned jobs, const HostQueryFactory& makeQuery, const ResultSink& inOrder,
                const ProgressSink& progress)
{
    RunState(hosts, jobs, makeQuery, inOrder, progress).Run();
}

}  // namespace quenvar::tools
