// The protocol of the platform's own locks, over a word that the lock keeps where it must (a
// QuickLock's own, a critical section's LockCount): free, taken, or taken with a sleeper to wake.
// Free, it is taken and released with one atomic instruction each, and with none while the
// process has one thread, where a pthread mutex costs a call and its type checks both ways. A
// thread that finds it taken sleeps on the futex behind atomic wait until it is released. `Atomic`
// is how the lock reaches its word: a std::atomic<Word>& or a std::atomic_ref<Word>.
#pragma once

#include "linux/edge/OnlyThread.h"

#include <atomic>

namespace quenvar::platform {

template <typename Atomic, auto kFree>
class LockWord {
    using Word = decltype(kFree);

public:
    explicit LockWord(Atomic word) noexcept : word_(word) {}

    bool TryTake() noexcept
    {
        if (OnlyThread() && word_.load(std::memory_order_relaxed) == kFree) {
            word_.store(kTaken, std::memory_order_relaxed);
            return true;
        }
        Word expected = kFree;
        return word_.compare_exchange_strong(expected, kTaken, std::memory_order_acquire);
    }

    void Take() noexcept
    {
        if (!TryTake()) WaitAndTake(word_);
    }

    void Release() noexcept
    {
        // A lone thread has nobody to wake.
        if (OnlyThread()) {
            word_.store(kFree, std::memory_order_relaxed);
            return;
        }
        if (word_.exchange(kFree, std::memory_order_release) == kWaitedFor) Wake(word_);
    }

private:
    static constexpr Word kTaken = kFree + 1;
    static constexpr Word kWaitedFor = kFree + 2;

    // Out of line, and given the word rather than this object, so that the free lock's paths save
    // no registers for them and keep no object in memory.
    [[gnu::noinline, gnu::cold]] static void WaitAndTake(Atomic word) noexcept
    {
        // Marked as waited for before sleeping, so that the holder's release wakes a sleeper.
        while (word.exchange(kWaitedFor, std::memory_order_acquire) != kFree) {
            word.wait(kWaitedFor, std::memory_order_relaxed);
        }
    }
    [[gnu::noinline, gnu::cold]] static void Wake(Atomic word) noexcept { word.notify_one(); }

    Atomic word_;
};

}  // namespace quenvar::platform
