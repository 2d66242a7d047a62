#include "platform/Win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string_view>
#include <thread>
#include <vector>

namespace {

TEST(Heap, AllocReallocFreeKeepContents)
{
    HANDLE heap = HeapCreate(0, 0, 0);
    ASSERT_NE(heap, nullptr);
    auto* block = static_cast<char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 16));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block[15], 0);
    constexpr std::string_view kContents = "0123456789abcdef";  // fills the block: no room for a NUL
    std::memcpy(block, kContents.data(), kContents.size());
    auto* grown = static_cast<char*>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, block, 4096));
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(std::string_view(grown, kContents.size()), kContents);
    EXPECT_EQ(grown[4095], 0);
    EXPECT_EQ(HeapSize(heap, 0, grown), 4096u);
    EXPECT_TRUE(HeapFree(heap, 0, grown));
    EXPECT_TRUE(HeapFree(heap, 0, nullptr));
    EXPECT_TRUE(HeapDestroy(heap));
}

TEST(Heap, DestroyReleasesEveryBlock)
{
    // Leaks would be reported by the sanitizer build.
    HANDLE heap = HeapCreate(0, 0, 0);
    for (int i = 0; i < 100; ++i) ASSERT_NE(HeapAlloc(heap, 0, 100 + i), nullptr);
    EXPECT_TRUE(HeapDestroy(heap));
}

TEST(Heap, FreedBlocksServeLaterAllocationsWhole)
{
    // Small blocks freed, reallocated and allocated again must each hold all their bytes: a kept
    // block handed out twice, or too small for its new size, breaks another block's pattern.
    HANDLE heap = HeapCreate(0, 0, 0);
    std::vector<std::pair<unsigned char*, SIZE_T>> live;
    for (SIZE_T round = 0; round < 3; ++round) {
        std::vector<std::pair<unsigned char*, SIZE_T>> fresh;
        for (SIZE_T size = 0; size <= 600; size += 37) {
            auto* block = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, size));
            ASSERT_NE(block, nullptr);
            EXPECT_EQ(std::count(block, block + size, 0), static_cast<std::ptrdiff_t>(size));
            fresh.emplace_back(block, size);
        }
        // Every other new block is freed, the others change size.
        for (std::size_t i = 0; i < fresh.size(); ++i) {
            auto [block, size] = fresh[i];
            if (i % 2 == 0) {
                std::memset(block, 0xAB, size);  // a kept block must still come back zeroed
                HeapFree(heap, 0, block);
                continue;
            }
            size = size / 2 + 40 * round;
            block = static_cast<unsigned char*>(HeapReAlloc(heap, 0, block, size));
            ASSERT_NE(block, nullptr);
            live.emplace_back(block, size);
        }
        for (std::size_t i = 0; i < live.size(); ++i) std::memset(live[i].first, static_cast<int>(i), live[i].second);
        for (std::size_t i = 0; i < live.size(); ++i) {
            const auto [block, size] = live[i];
            EXPECT_EQ(std::count(block, block + size, static_cast<unsigned char>(i)),
                      static_cast<std::ptrdiff_t>(size));
            EXPECT_EQ(HeapSize(heap, 0, block), size);
        }
    }
    EXPECT_TRUE(HeapDestroy(heap));
}

TEST(Heap, ReallocOfNullIsNotAnAllocation)
{
    HANDLE heap = HeapCreate(0, 0, 0);
    EXPECT_EQ(HeapReAlloc(heap, 0, nullptr, 10), nullptr);
    HeapDestroy(heap);
}

TEST(Heap, FixedMaximumRefusesMoreAndKeepsOldBlock)
{
    HANDLE heap = HeapCreate(0, 0, 64);
    void* block = HeapAlloc(heap, 0, 48);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(HeapAlloc(heap, 0, 32), nullptr);
    EXPECT_EQ(HeapReAlloc(heap, 0, block, 128), nullptr);
    EXPECT_EQ(HeapSize(heap, 0, block), 48u);
    HeapDestroy(heap);
}

TEST(Heap, ConcurrentUseOfOneHeap)
{
    HANDLE heap = HeapCreate(0, 0, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([heap] {
            for (int i = 0; i < 2000; ++i) {
                void* block = HeapAlloc(heap, 0, 32);
                block = HeapReAlloc(heap, 0, block, 64);
                HeapFree(heap, 0, block);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_TRUE(HeapDestroy(heap));
}

TEST(Heap, WrongHandleFailsCleanly)
{
    EXPECT_EQ(HeapAlloc(nullptr, 0, 8), nullptr);
    SetLastError(0);
    EXPECT_FALSE(HeapDestroy(nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(LocalMemory, ZeroInitAndFree)
{
    auto* block = static_cast<BYTE*>(LocalAlloc(LMEM_ZEROINIT, 32));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(block[i], 0);
    EXPECT_EQ(LocalFree(block), nullptr);
    EXPECT_EQ(LocalFree(nullptr), nullptr);
}

TEST(TaskMemory, ReallocRules)
{
    void* empty = CoTaskMemAlloc(0);
    EXPECT_NE(empty, nullptr);
    CoTaskMemFree(empty);
    auto* block = static_cast<char*>(CoTaskMemRealloc(nullptr, 4));
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "abc", 4);
    block = static_cast<char*>(CoTaskMemRealloc(block, 1000));
    EXPECT_STREQ(block, "abc");
    EXPECT_EQ(CoTaskMemRealloc(block, 0), nullptr);
    CoTaskMemFree(nullptr);
}

TEST(CriticalSection, RecursiveForOwnerExclusiveForOthers)
{
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);
    EXPECT_EQ(section.RecursionCount, 2);
    bool otherGotIt = true;
    std::thread([&] { otherGotIt = TryEnterCriticalSection(&section) != FALSE; }).join();
    EXPECT_FALSE(otherGotIt);
    LeaveCriticalSection(&section);
    LeaveCriticalSection(&section);
    std::thread([&] {
        otherGotIt = TryEnterCriticalSection(&section) != FALSE;
        if (otherGotIt) LeaveCriticalSection(&section);
    }).join();
    EXPECT_TRUE(otherGotIt);
    DeleteCriticalSection(&section);
}

// A section taken and a counter counted while this is the process's lone thread, then both
// contended: the waiters sleep until the owner leaves, and no increment is lost, whether made by an
// interlocked increment or under the section.
TEST(Kernel, ManyThreadsLoseNoUpdate)
{
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    int counter = 0;
    LONG interlocked = 0;
    EnterCriticalSection(&section);
    InterlockedIncrement(&interlocked);
    std::atomic<bool> go = false;  // so that the threads' increments overlap
    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread) {
        threads.emplace_back([&] {
            while (!go) std::this_thread::yield();
            for (int round = 0; round < kRounds; ++round) InterlockedIncrement(&interlocked);
            for (int round = 0; round < kRounds; ++round) {
                EnterCriticalSection(&section);
                ++counter;
                LeaveCriticalSection(&section);
            }
        });
    }
    go = true;
    ++counter;
    LeaveCriticalSection(&section);
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(interlocked, kThreads * kRounds + 1);
    EXPECT_EQ(counter, kThreads * kRounds + 1);
    DeleteCriticalSection(&section);
}

TEST(Kernel, InterlockedAnswersNewValueAndLastErrorIsPerThread)
{
    LONG value = 0;
    EXPECT_EQ(InterlockedIncrement(&value), 1);
    EXPECT_EQ(InterlockedDecrement(&value), 0);
    EXPECT_EQ(InterlockedDecrement(&value), -1);

    SetLastError(42);
    DWORD other = 0;
    std::thread([&] { other = GetLastError(); }).join();
    EXPECT_EQ(other, 0u);
    EXPECT_EQ(GetLastError(), 42u);
}

TEST(Errors, HresultFromWin32)
{
    EXPECT_EQ(HRESULT_FROM_WIN32(0), S_OK);
    EXPECT_EQ(HRESULT_FROM_WIN32(2), static_cast<HRESULT>(0x80070002));
    EXPECT_EQ(HRESULT_FROM_WIN32(126), static_cast<HRESULT>(0x8007007E));
    EXPECT_EQ(HRESULT_FROM_WIN32(1813), static_cast<HRESULT>(0x80070715));
    EXPECT_EQ(HRESULT_FROM_WIN32(12007), static_cast<HRESULT>(0x80072EE7));
    EXPECT_EQ(HRESULT_FROM_WIN32(static_cast<DWORD>(E_FAIL)), E_FAIL);
    EXPECT_TRUE(IsEqualGUID(IID_IUnknown, IID_IUnknown));
    EXPECT_FALSE(IsEqualGUID(IID_IUnknown, IID_IDispatch));
}

}  // namespace
