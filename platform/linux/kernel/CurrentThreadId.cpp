#include "linux/kernel/CurrentThread.h"

#include <pthread.h>
#include <unistd.h>
#include <sys/syscall.h>

namespace quenvar::platform {

// A system call there cost more than the rest of a dispatched call.
constinit thread_local DWORD currentThreadId = 0;

namespace {
// The forking thread is the child's only thread.
void ForgetThreadId() { currentThreadId = 0; }
const bool forkHandler = pthread_atfork(nullptr, nullptr, ForgetThreadId) == 0;
}  // namespace

DWORD AskCurrentThreadId() noexcept
{
    static_cast<void>(forkHandler);
    currentThreadId = static_cast<DWORD>(::syscall(SYS_gettid));
    return currentThreadId;
}

}  // namespace quenvar::platform

extern "C" DWORD WINAPI GetCurrentThreadId() noexcept { return quenvar::platform::CurrentThreadId(); }
