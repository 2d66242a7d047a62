// A lock for the short sections on every query's path (the Internet handle table, a heap): free,
// it is taken and released with one atomic instruction each (none while the process has one
// thread), where a pthread mutex costs a call and its type checks both ways. A thread that finds
// it taken sleeps on the futex behind std::atomic::wait until the holder releases it.
#pragma once

#include "linux/edge/OnlyThread.h"

#include <atomic>

namespace quenvar::platform {

class QuickLock {
public:
    bool try_lock() noexcept
    {
        if (OnlyThread() && state_.load(std::memory_order_relaxed) == kFree) {
            state_.store(kTaken, std::memory_order_relaxed);
            return true;
        }
        int expected = kFree;
        return state_.compare_exchange_strong(expected, kTaken, std::memory_order_acquire);
    }

    void lock() noexcept
    {
        if (!try_lock()) Wait();
    }

    void unlock() noexcept
    {
        // A lone thread has nobody to wake.
        if (OnlyThread()) {
            state_.store(kFree, std::memory_order_relaxed);
            return;
        }
        if (state_.exchange(kFree, std::memory_order_release) == kWaitedFor) Wake();
    }

private:
    static constexpr int kFree = 0;
    static constexpr int kTaken = 1;
    static constexpr int kWaitedFor = 2;

    // Out of line, so that the free lock's paths save no registers for them.
    [[gnu::noinline, gnu::cold]] void Wait() noexcept
    {
        // Marked as waited for before sleeping, so that the holder's release wakes a sleeper.
        while (state_.exchange(kWaitedFor, std::memory_order_acquire) != kFree) {
            state_.wait(kWaitedFor, std::memory_order_relaxed);
        }
    }
    [[gnu::noinline, gnu::cold]] void Wake() noexcept { state_.notify_one(); }

    std::atomic<int> state_{kFree};
};

}  // namespace quenvar::platform
