#include "platform/Win32.h"

#include <pthread.h>
#include <unistd.h>
#include <sys/syscall.h>

namespace {
// Asked of the kernel once per thread: every critical section's entry wants it, and a system
// call there cost more than the rest of a dispatched call. 0 means not asked yet.
thread_local DWORD threadId = 0;
// The child of a fork runs on a new thread id; the forking thread is the child's only thread.
void ForgetThreadId() { threadId = 0; }
const bool forkHandler = pthread_atfork(nullptr, nullptr, ForgetThreadId) == 0;
}  // namespace

extern "C" DWORD WINAPI GetCurrentThreadId() noexcept
{
    static_cast<void>(forkHandler);
    if (threadId == 0) threadId = static_cast<DWORD>(::syscall(SYS_gettid));
    return threadId;
}
