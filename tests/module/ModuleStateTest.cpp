#include "module/ModuleState.h"
#include "platform/test_support/FaultInjection.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <thread>
#include <vector>

namespace quenvar {
namespace {

HINSTANCE FakeInstance() { return reinterpret_cast<HINSTANCE>(0x10000); }

// Gives each test a freshly initialised module record and tears it down as detach would.
class ModuleStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        theModule = ModuleState{};
        theModule.size = kModuleStateSize;
        ASSERT_EQ(InitializeModule(&theModule, nullptr, FakeInstance()), S_OK);
    }
    void TearDown() override
    {
        if (theModule.heap != nullptr) HeapDestroy(theModule.heap);
        DeleteCriticalSection(&theModule.typeInfoLock);
        DeleteCriticalSection(&theModule.objectMapLock);
        theModule = ModuleState{};
    }
};

TEST_F(ModuleStateTest, InitialisedRecordHasNoHeapAndNoLocks)
{
    EXPECT_EQ(theModule.lockCount, 0);
    EXPECT_EQ(theModule.heap, nullptr);
    EXPECT_EQ(theModule.moduleInstance, FakeInstance());
    EXPECT_EQ(theModule.typeLibInstance, FakeInstance());
    void* block = ModuleAlloc(32);
    ASSERT_NE(block, nullptr);
    EXPECT_NE(theModule.heap, nullptr);
    ModuleFree(block);
}

TEST(ModuleStateInit, RefusesNullOrSmallRecordUntouched)
{
    EXPECT_EQ(InitializeModule(nullptr, nullptr, FakeInstance()), E_INVALIDARG);
    ModuleState small{};
    small.size = kModuleStateSize - 1;
    small.lockCount = 7;
    // Byte for byte, padding included: nothing of the record may be written.
    const auto bytes = [&small] {
        std::array<unsigned char, sizeof small> copy{};
        std::memcpy(copy.data(), &small, sizeof small);
        return copy;
    };
    const auto before = bytes();
    EXPECT_EQ(InitializeModule(&small, nullptr, FakeInstance()), E_INVALIDARG);
    EXPECT_EQ(bytes(), before);
}

TEST_F(ModuleStateTest, ReallocOfNullAllocatesAndKeepsContents)
{
    auto* block = static_cast<char*>(ModuleRealloc(nullptr, 8));
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "quenvar", 8);
    block = static_cast<char*>(ModuleRealloc(block, 4096));
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(block, "quenvar");
    ModuleFree(block);
}

TEST_F(ModuleStateTest, FailedHeapCreationIsRetriedByNextAllocation)
{
    {
        testing::ScopedFault fault("HeapCreate", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(ModuleAlloc(8), nullptr);
        EXPECT_EQ(theModule.heap, nullptr);
    }
    void* block = ModuleAlloc(8);
    EXPECT_NE(block, nullptr);
    ModuleFree(block);
}

TEST_F(ModuleStateTest, FailedReallocKeepsOldBlock)
{
    auto* block = static_cast<char*>(ModuleAlloc(4));
    std::memcpy(block, "abc", 4);
    {
        testing::ScopedFault fault("HeapReAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(ModuleRealloc(block, 100), nullptr);
    }
    EXPECT_STREQ(block, "abc");
    ModuleFree(block);
}

TEST_F(ModuleStateTest, FirstAllocationsRacingCreateOneHeap)
{
    constexpr int kThreads = 8;
    for (int round = 0; round < 50; ++round) {
        if (theModule.heap != nullptr) HeapDestroy(theModule.heap);
        theModule.heap = nullptr;
        std::vector<void*> blocks(kThreads);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) threads.emplace_back([&blocks, t] { blocks[t] = ModuleAlloc(16); });
        for (auto& thread : threads) thread.join();
        // Every block belongs to the one published heap (a loser's heap would be gone by now).
        for (void* block : blocks) {
            ASSERT_NE(block, nullptr);
            EXPECT_EQ(HeapSize(theModule.heap, 0, block), 16u);
        }
    }
}

TEST_F(ModuleStateTest, LockCountMovesByInterlockedSteps)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 10000; ++i) {
                LockModule();
                UnlockModule();
            }
            LockModule();
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(theModule.lockCount, 4);
}

}  // namespace
}  // namespace quenvar
