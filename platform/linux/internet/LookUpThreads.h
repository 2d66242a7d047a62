// The threads that name look-ups run on. The system's resolver cannot be stopped once it has
// started, so a look-up whose caller gave up still holds its thread until the resolver does: a
// fixed number of threads bounds what a resolver that never answers can hold, and look-ups that
// wait for a thread leave the queue when their caller's deadline passes.
#pragma once

#include <netdb.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>

namespace quenvar::platform {

// getaddrinfo's work: 0 with a list for freeaddrinfo, or an EAI_* code. Must not throw.
using LookUp = std::function<int(addrinfo** list)>;

struct AddressListFree {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddressList = std::unique_ptr<addrinfo, AddressListFree>;

class LookUpThreads {
public:
    // At most `limit` threads; each starts when a look-up finds none idle, and ends after a while
    // without work.
    explicit LookUpThreads(std::size_t limit);
    ~LookUpThreads();
    LookUpThreads(const LookUpThreads&) = delete;
    LookUpThreads& operator=(const LookUpThreads&) = delete;

    // Runs `lookUp` on one of the threads and waits for it until `deadline`: its result and list;
    // ETIMEDOUT when it could not start or end by then (it ends later on its own); EAGAIN when no
    // thread exists and none can be started. Throws std::bad_alloc.
    int Run(LookUp lookUp, std::chrono::steady_clock::time_point deadline, AddressList& list);

private:
    struct Job;
    struct Shared;

    static void Serve(const std::shared_ptr<Shared>& shared);
    // Whether a thread was started; called with the lock held.
    bool StartThread();

    // Shared with the threads, which may outlive this object while a look-up holds them.
    std::shared_ptr<Shared> shared_;
};

}  // namespace quenvar::platform
