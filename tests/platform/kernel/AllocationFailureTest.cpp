// What each allocator leaves behind when an allocation fails, by injection or by a size it must
// refuse: a failure answered as one, and the memory the caller already holds untouched.
#include "platform/Win32.h"
#include "platform/test_support/FaultInjection.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

using quenvar::testing::ScopedFault;

constexpr SIZE_T kImpossibleSize = SIZE_MAX - 8;

TEST(HeapFailure, CreationRefusedLeavesNoHeap)
{
    {
        ScopedFault fault("HeapCreate", 1, ERROR_NOT_ENOUGH_MEMORY);
        SetLastError(0);
        EXPECT_EQ(HeapCreate(0, 0, 0), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    }
    SetLastError(0);
    EXPECT_EQ(HeapCreate(0, 4096, 1024), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(HeapFailure, FailedAllocationsKeepTheBlocksAlreadyHeld)
{
    HANDLE heap = HeapCreate(0, 0, 0);
    ASSERT_NE(heap, nullptr);
    auto* block = static_cast<char*>(HeapAlloc(heap, 0, 8));
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "1234567", 8);
    {
        ScopedFault fault("HeapAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(HeapAlloc(heap, 0, 16), nullptr);
        EXPECT_TRUE(quenvar::testing::FaultFired("HeapAlloc"));
    }
    EXPECT_EQ(HeapAlloc(heap, 0, kImpossibleSize), nullptr);
    {
        ScopedFault fault("HeapReAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(HeapReAlloc(heap, 0, block, 64), nullptr);
    }
    EXPECT_EQ(HeapReAlloc(heap, 0, block, kImpossibleSize), nullptr);
    EXPECT_EQ(HeapSize(heap, 0, block), 8u);
    EXPECT_STREQ(block, "1234567");
    // Still linked into the heap: freed, or released by HeapDestroy without a leak.
    EXPECT_TRUE(HeapFree(heap, 0, block));
    EXPECT_TRUE(HeapDestroy(heap));
}

TEST(HeapFailure, InPlaceOnlyNeverMovesAndShrinkingReturnsTheBytes)
{
    HANDLE heap = HeapCreate(0, 0, 64);
    ASSERT_NE(heap, nullptr);
    auto* block = static_cast<char*>(HeapAlloc(heap, 0, 48));
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "kept", 5);
    EXPECT_EQ(HeapReAlloc(heap, HEAP_REALLOC_IN_PLACE_ONLY, block, 56), nullptr);
    EXPECT_EQ(HeapReAlloc(heap, HEAP_REALLOC_IN_PLACE_ONLY | HEAP_ZERO_MEMORY, block, 16), block);
    EXPECT_EQ(HeapSize(heap, 0, block), 16u);
    EXPECT_STREQ(block, "kept");
    // The 32 bytes given back count again against the heap's maximum.
    void* second = HeapAlloc(heap, 0, 40);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(HeapAlloc(heap, 0, 16), nullptr);
    EXPECT_TRUE(HeapDestroy(heap));
}

TEST(HeapFailure, UnserializedHeapServesTheSameCalls)
{
    HANDLE heap = HeapCreate(HEAP_NO_SERIALIZE, 0, 0);
    ASSERT_NE(heap, nullptr);
    void* first = HeapAlloc(heap, 0, 8);
    void* second = HeapAlloc(heap, HEAP_ZERO_MEMORY, 8);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    // Moving a block that is not the newest relinks its neighbours.
    first = HeapReAlloc(heap, 0, first, 4096);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(HeapSize(heap, HEAP_NO_SERIALIZE, first), 4096u);
    EXPECT_TRUE(HeapFree(heap, 0, second));
    EXPECT_TRUE(HeapFree(heap, 0, first));
    EXPECT_TRUE(HeapDestroy(heap));
}

TEST(HeapFailure, ForeignHandlesAndBlocksAreRefused)
{
    // Zeroed memory carries no heap's mark.
    alignas(16) std::uint64_t forged[16] = {};
    HANDLE heap = HeapCreate(0, 0, 0);
    ASSERT_NE(heap, nullptr);
    SetLastError(0);
    EXPECT_FALSE(HeapFree(nullptr, 0, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(HeapFree(forged, 0, nullptr));
    EXPECT_FALSE(HeapDestroy(forged));
    EXPECT_EQ(HeapAlloc(forged, 0, 8), nullptr);
    EXPECT_EQ(HeapSize(nullptr, 0, nullptr), static_cast<SIZE_T>(-1));
    EXPECT_EQ(HeapSize(heap, 0, nullptr), static_cast<SIZE_T>(-1));
    SetLastError(0);
    EXPECT_EQ(HeapReAlloc(forged, 0, forged, 8), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(HeapDestroy(heap));
}

TEST(MemoryFailure, LocalAndTaskAllocatorsAnswerNullAndKeepTheOldBlock)
{
    {
        ScopedFault fault("LocalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
        SetLastError(0);
        EXPECT_EQ(LocalAlloc(LMEM_FIXED, 16), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    }
    HLOCAL empty = LocalAlloc(LMEM_FIXED, 0);
    EXPECT_NE(empty, nullptr);
    LocalFree(empty);

    {
        ScopedFault fault("CoTaskMemAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(CoTaskMemAlloc(16), nullptr);
    }
    auto* block = static_cast<char*>(CoTaskMemAlloc(4));
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "abc", 4);
    {
        ScopedFault fault("CoTaskMemRealloc", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(CoTaskMemRealloc(block, 4096), nullptr);
    }
    EXPECT_STREQ(block, "abc");
    CoTaskMemFree(block);
}

TEST(BstrFailure, FailedAllocationsAnswerNull)
{
    const struct {
        const char* function;
        BSTR (*allocate)();
    } allocations[] = {
        {"SysAllocString", [] { return SysAllocString(u"text"); }},
        {"SysAllocStringLen", [] { return SysAllocStringLen(u"text", 4); }},
        {"SysAllocStringByteLen", [] { return SysAllocStringByteLen("text", 4); }},
    };
    for (const auto& allocation : allocations) {
        ScopedFault fault(allocation.function, 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(allocation.allocate(), nullptr) << allocation.function;
    }
}

}  // namespace
