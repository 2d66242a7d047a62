#include "platform/Win32.h"
#include "platform/test_support/FaultInjection.h"

#include <gtest/gtest.h>

namespace {

using quenvar::testing::ScopedFault;

TEST(FaultInjection, NthCallFailsOnceWithChosenError)
{
    ScopedFault fault("HeapCreate", 2, ERROR_NOT_ENOUGH_MEMORY);
    HANDLE first = HeapCreate(0, 0, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(quenvar::testing::FaultFired("HeapCreate"));
    SetLastError(0);
    EXPECT_EQ(HeapCreate(0, 0, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_TRUE(quenvar::testing::FaultFired("HeapCreate"));
    HANDLE third = HeapCreate(0, 0, 0);
    EXPECT_NE(third, nullptr);
    HeapDestroy(first);
    HeapDestroy(third);
}

TEST(FaultInjection, AllocatorsFailAsOnThePlatform)
{
    HANDLE heap = HeapCreate(0, 0, 0);
    void* block = HeapAlloc(heap, 0, 8);
    {
        ScopedFault fault("HeapReAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(HeapReAlloc(heap, 0, block, 64), nullptr);
        EXPECT_EQ(HeapSize(heap, 0, block), 8u);  // the old block stays valid
    }
    {
        ScopedFault fault("HeapAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(HeapAlloc(heap, 0, 8), nullptr);
    }
    HeapDestroy(heap);
    {
        ScopedFault fault("LocalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
        SetLastError(0);
        EXPECT_EQ(LocalAlloc(LPTR, 8), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    }
    {
        ScopedFault fault("CoTaskMemAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(CoTaskMemAlloc(8), nullptr);
    }
    {
        ScopedFault fault("SysAllocStringLen", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(SysAllocStringLen(nullptr, 0), nullptr);
    }
}

// One count runs over every function of the set, whatever the order of calls; others do not count.
TEST(FaultInjection, SweepFailsTheNthCallOfAnyFunctionInItsSet)
{
    HANDLE heap = HeapCreate(0, 0, 0);
    quenvar::testing::ArmSweep({"HeapAlloc", "CoTaskMemAlloc"}, 3, ERROR_NOT_ENOUGH_MEMORY);
    void* first = HeapAlloc(heap, 0, 8);
    BSTR uncounted = SysAllocString(u"x");
    void* second = CoTaskMemAlloc(8);
    EXPECT_EQ(quenvar::testing::SweepFiredIn(), nullptr);
    EXPECT_EQ(HeapAlloc(heap, 0, 8), nullptr);
    EXPECT_STREQ(quenvar::testing::SweepFiredIn(), "HeapAlloc");
    void* fourth = CoTaskMemAlloc(8);  // once only
    EXPECT_NE(fourth, nullptr);
    quenvar::testing::DisarmFaults();
    EXPECT_NE(first, nullptr);
    EXPECT_NE(uncounted, nullptr);
    EXPECT_NE(second, nullptr);
    SysFreeString(uncounted);
    CoTaskMemFree(second);
    CoTaskMemFree(fourth);
    HeapDestroy(heap);
}

TEST(FaultInjection, InertWhenDisarmed)
{
    quenvar::testing::ArmFault("HeapAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    quenvar::testing::DisarmFaults();
    HANDLE heap = HeapCreate(0, 0, 0);
    EXPECT_NE(HeapAlloc(heap, 0, 8), nullptr);
    HeapDestroy(heap);
}

}  // namespace
