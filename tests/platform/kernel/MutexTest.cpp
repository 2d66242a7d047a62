// Mutexes: one owner at a time among the threads of a process and, for a named one, among the
// processes of the user, whose ownership ends with the process.
#include "platform/UniqueHandle.h"
#include "platform/test_support/FaultInjection.h"
#include "platform/test_support/RegistryTesting.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

namespace quenvar {
namespace {

constexpr char kName[] = "Quenvar test mutex\\one";

using OwnedMutex = UniqueKernelHandle;

class MutexTest : public ::testing::Test {
protected:
    testing::ScopedPrivateRegistry registry;  // the lock files lie beside it
};

TEST_F(MutexTest, OwnershipIsRecursiveAndOnlyTheOwnerReleases)
{
    for (const LPCSTR name : {static_cast<LPCSTR>(nullptr), static_cast<LPCSTR>(kName)}) {
        SCOPED_TRACE(name != nullptr ? name : "unnamed");
        OwnedMutex mutex(CreateMutexA(nullptr, FALSE, name));
        ASSERT_TRUE(mutex);
        EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
        EXPECT_EQ(WaitForSingleObject(mutex.get(), INFINITE), WAIT_OBJECT_0);
        EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), WAIT_OBJECT_0);

        std::thread other([&] {
            EXPECT_EQ(WaitForSingleObject(mutex.get(), 20), WAIT_TIMEOUT);
            EXPECT_FALSE(ReleaseMutex(mutex.get()));
            EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
        });
        other.join();

        EXPECT_TRUE(ReleaseMutex(mutex.get()));
        EXPECT_TRUE(ReleaseMutex(mutex.get()));
        EXPECT_FALSE(ReleaseMutex(mutex.get()));
        EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
        std::thread([&] {
            EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), WAIT_OBJECT_0);
            EXPECT_TRUE(ReleaseMutex(mutex.get()));
        }).join();
    }
}

TEST_F(MutexTest, HandlesOfOneNameShareTheMutex)
{
    OwnedMutex first(CreateMutexA(nullptr, TRUE, kName));
    ASSERT_TRUE(first);
    OwnedMutex second(CreateMutexA(nullptr, TRUE, kName));  // the initial ownership is not taken
    ASSERT_TRUE(second);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_NE(first.get(), second.get());
    std::thread([&] { EXPECT_EQ(WaitForSingleObject(second.get(), 20), WAIT_TIMEOUT); }).join();
    EXPECT_TRUE(ReleaseMutex(second.get()));
    EXPECT_FALSE(ReleaseMutex(first.get()));

    // The mutex goes with its last handle: a new one of the name is new.
    ASSERT_TRUE(CloseHandle(first.release()));
    ASSERT_TRUE(CloseHandle(second.release()));
    OwnedMutex again(CreateMutexA(nullptr, FALSE, kName));
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
}

TEST_F(MutexTest, ThreadsTakeTurns)
{
    OwnedMutex mutex(CreateMutexA(nullptr, FALSE, kName));
    ASSERT_TRUE(mutex);
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < 200; ++round) {
                ASSERT_EQ(WaitForSingleObject(mutex.get(), INFINITE), WAIT_OBJECT_0);
                if (inside.fetch_add(1) != 0) overlapped = true;
                inside.fetch_sub(1);
                ASSERT_TRUE(ReleaseMutex(mutex.get()));
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_FALSE(overlapped);
}

// A child process takes the mutex and keeps it until it is killed.
TEST_F(MutexTest, AnotherProcessHoldsItUntilItDies)
{
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const HANDLE held = CreateMutexA(nullptr, FALSE, kName);
        const bool owned = held != nullptr && WaitForSingleObject(held, INFINITE) == WAIT_OBJECT_0;
        if (write(ready[1], owned ? "y" : "n", 1) != 1) _exit(1);
        pause();
        _exit(0);
    }
    close(ready[1]);
    char answer = 0;
    ASSERT_EQ(read(ready[0], &answer, 1), 1);
    close(ready[0]);
    ASSERT_EQ(answer, 'y');

    OwnedMutex mutex(CreateMutexA(nullptr, FALSE, kName));
    ASSERT_TRUE(mutex);
    EXPECT_EQ(WaitForSingleObject(mutex.get(), 50), WAIT_TIMEOUT);
    // Another thread of this process waits its turn behind the timed-out one.
    std::thread([&] { EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), WAIT_TIMEOUT); }).join();

    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WaitForSingleObject(mutex.get(), INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(mutex.get()));
}

TEST_F(MutexTest, BadHandlesAndFailuresAreReported)
{
    int notAMutex = 0;
    EXPECT_EQ(WaitForSingleObject(&notAMutex, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(ReleaseMutex(&notAMutex));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(&notAMutex));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    EXPECT_EQ(CreateMutexA(nullptr, FALSE, std::string(300, 'x').c_str()), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
    {
        testing::ScopedFault fault("CreateMutexA", 1, ERROR_ACCESS_DENIED);
        EXPECT_EQ(CreateMutexA(nullptr, FALSE, kName), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    // A folder where the lock file would be.
    ASSERT_EQ(mkdir((registry.File() + ".mutex-blocked").c_str(), 0700), 0);
    EXPECT_EQ(CreateMutexA(nullptr, FALSE, "blocked"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANTOPEN);
    OwnedMutex next(CreateMutexA(nullptr, FALSE, "blocked"));  // nothing of the failure is kept
    EXPECT_FALSE(next);
}

}  // namespace
}  // namespace quenvar
