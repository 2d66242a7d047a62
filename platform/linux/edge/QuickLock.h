// A lock for the short sections on every query's path (the Internet handle table, a heap): free,
// it is taken and released with one atomic instruction each, where a pthread mutex costs a call
// and its type checks both ways. A thread that finds it taken sleeps on the futex behind
// std::atomic::wait until the holder releases it.
#pragma once

#include <atomic>

namespace quenvar::platform {

class QuickLock {
public:
    void lock() noexcept
    {
        int expected = kFree;
        if (state_.compare_exchange_strong(expected, kTaken, std::memory_order_acquire)) return;
        // Marked as waited for before sleeping, so that the holder's release wakes a sleeper.
        while (state_.exchange(kWaitedFor, std::memory_order_acquire) != kFree) {
            state_.wait(kWaitedFor, std::memory_order_relaxed);
        }
    }

    void unlock() noexcept
    {
        if (state_.exchange(kFree, std::memory_order_release) == kWaitedFor) state_.notify_one();
    }

private:
    static constexpr int kFree = 0;
    static constexpr int kTaken = 1;
    static constexpr int kWaitedFor = 2;

    std::atomic<int> state_{kFree};
};

}  // namespace quenvar::platform
