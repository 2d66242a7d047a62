#include "platform/Win32.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

TEST(GetCurrentThreadId, DiffersBetweenThreadsAndStaysWithinOne)
{
    const DWORD mine = GetCurrentThreadId();
    DWORD other = 0;
    std::thread([&other] { other = GetCurrentThreadId(); }).join();
    EXPECT_NE(mine, 0u);
    EXPECT_NE(other, mine);
    EXPECT_EQ(GetCurrentThreadId(), mine);
}

// The id is remembered per thread, so a forked child must not answer its parent's.
TEST(GetCurrentThreadId, IsTheChildsOwnAfterFork)
{
    const DWORD parent = GetCurrentThreadId();
    const pid_t child = fork();
    if (child == 0) {
        // The child's only thread has the process's id as its thread id.
        const DWORD id = GetCurrentThreadId();
        _exit(id != parent && id == static_cast<DWORD>(getpid()) ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(GetCurrentThreadId(), parent);
}

}  // namespace
