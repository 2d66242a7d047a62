#include "linux/internet/LookUpThreads.h"

#include "linux/edge/FaultGate.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace quenvar::platform {
namespace {

// A thread waits this long for the next look-up before it ends: a run of names reuses threads,
// and a process that stopped looking up holds none.
constexpr auto kIdleWait = std::chrono::seconds(2);

}  // namespace

struct LookUpThreads::Job {
    explicit Job(LookUp work) : lookUp(std::move(work)) {}
    ~Job()
    {
        if (list != nullptr) freeaddrinfo(list);
    }
    LookUp lookUp;
    std::condition_variable finished;
    bool done = false;
    int result = 0;
    addrinfo* list = nullptr;
};

struct LookUpThreads::Shared {
    explicit Shared(std::size_t most) : limit(most) {}
    const std::size_t limit;
    std::mutex lock;
    std::condition_variable queued;
    std::deque<std::shared_ptr<Job>> waiting;
    std::size_t threads = 0;
    std::size_t idle = 0;
};

LookUpThreads::LookUpThreads(std::size_t limit) : shared_(std::make_shared<Shared>(limit)) {}

LookUpThreads::~LookUpThreads() = default;

void LookUpThreads::Serve(const std::shared_ptr<Shared>& shared)
{
    std::unique_lock lock(shared->lock);
    for (;;) {
        ++shared->idle;
        const bool work = shared->queued.wait_for(lock, kIdleWait, [&] { return !shared->waiting.empty(); });
        --shared->idle;
        if (!work) break;
        const std::shared_ptr<Job> job = std::move(shared->waiting.front());
        shared->waiting.pop_front();
        lock.unlock();
        addrinfo* list = nullptr;
        const int result = job->lookUp(&list);
        lock.lock();
        job->result = result;
        job->list = list;
        job->done = true;
        job->finished.notify_one();
    }
    --shared->threads;
}

bool LookUpThreads::StartThread()
{
    DWORD ignored = 0;
    if (FaultInjected("LookUpThread", &ignored)) return false;
    try {
        std::thread(Serve, shared_).detach();
    } catch (const std::system_error&) {
        return false;
    }
    ++shared_->threads;
    return true;
}

int LookUpThreads::Run(LookUp lookUp, std::chrono::steady_clock::time_point deadline, AddressList& list)
{
    const auto job = std::make_shared<Job>(std::move(lookUp));
    Shared& shared = *shared_;
    std::unique_lock lock(shared.lock);
    shared.waiting.push_back(job);
    if (shared.waiting.size() > shared.idle && shared.threads < shared.limit && !StartThread() && shared.threads == 0) {
        shared.waiting.pop_back();
        return EAGAIN;
    }
    shared.queued.notify_one();
    if (!job->finished.wait_until(lock, deadline, [&] { return job->done; })) {
        // Not started yet: no thread is to spend time on it.
        const auto place = std::find(shared.waiting.begin(), shared.waiting.end(), job);
        if (place != shared.waiting.end()) shared.waiting.erase(place);
        return ETIMEDOUT;
    }
    list.reset(std::exchange(job->list, nullptr));
    return job->result;
}

}  // namespace quenvar::platform
