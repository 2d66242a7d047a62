// A lock for the short sections on every query's path (the Internet handle table, a heap), with
// the platform's lock protocol (LockWord.h) over a word of its own.
#pragma once

#include "linux/edge/LockWord.h"

namespace quenvar::platform {

class QuickLock {
public:
    bool try_lock() noexcept { return Word().TryTake(); }
    void lock() noexcept { Word().Take(); }
    void unlock() noexcept { Word().Release(); }

private:
    using Lock = LockWord<std::atomic<int>&, 0>;
    Lock Word() noexcept { return Lock(state_); }

    std::atomic<int> state_{0};
};

}  // namespace quenvar::platform
