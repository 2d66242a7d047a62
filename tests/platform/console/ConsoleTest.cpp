// The standard handles and the console mode: only a standard handle that is a terminal is a
// console; anything else fails with the code the platform gives.
#include "platform/Win32.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

// Puts `replacement` in place of standard input for the scope, then puts the original back.
class ScopedStandardInput {
public:
    explicit ScopedStandardInput(int replacement) : saved_(dup(STDIN_FILENO)) { dup2(replacement, STDIN_FILENO); }
    ~ScopedStandardInput()
    {
        dup2(saved_, STDIN_FILENO);
        close(saved_);
    }
    ScopedStandardInput(const ScopedStandardInput&) = delete;
    ScopedStandardInput& operator=(const ScopedStandardInput&) = delete;

private:
    int saved_;
};

TEST(Console, StandardHandlesAreDistinctAndOthersAreRefused)
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE handle : {input, output, error}) {
        EXPECT_NE(handle, nullptr);
        EXPECT_NE(handle, INVALID_HANDLE_VALUE);
    }
    EXPECT_NE(input, output);
    EXPECT_NE(output, error);
    SetLastError(0);
    EXPECT_EQ(GetStdHandle(0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Console, ModeOnlyForATerminal)
{
    DWORD mode = 0;
    SetLastError(0);
    EXPECT_FALSE(GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    for (HANDLE handle : {HANDLE{nullptr}, reinterpret_cast<HANDLE>(4), INVALID_HANDLE_VALUE}) {
        SetLastError(0);
        EXPECT_FALSE(GetConsoleMode(handle, &mode));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }

    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    {
        ScopedStandardInput piped(pipeEnds[0]);
        SetLastError(0);
        EXPECT_FALSE(GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
    close(pipeEnds[0]);
    close(pipeEnds[1]);

    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal < 0) GTEST_SKIP() << "no pseudo-terminal here";
    ASSERT_EQ(grantpt(terminal), 0);
    ASSERT_EQ(unlockpt(terminal), 0);
    const int follower = open(ptsname(terminal), O_RDWR | O_NOCTTY);
    ASSERT_GE(follower, 0);
    {
        ScopedStandardInput attached(follower);
        EXPECT_TRUE(GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode));
        EXPECT_EQ(mode, DWORD{ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT});
    }
    close(follower);
    close(terminal);
}

}  // namespace
