// The boundary every exported function runs in: an armed fault fails the call the way the
// function fails, and no C++ exception reaches the caller.
#include "linux/edge/Boundary.h"
#include "platform/test_support/FaultInjection.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace {

using quenvar::platform::Boundary;
using quenvar::platform::ReturnsErrorCode;
using quenvar::platform::ReturnsHResult;
using quenvar::platform::ReturnsOnly;
using quenvar::platform::SetsLastError;
using quenvar::testing::ScopedFault;

constexpr const char* kName = "BoundaryTest";

TEST(Boundary, BodyRunsAndAnswersWhenNoFaultIsArmed)
{
    bool ran = false;
    EXPECT_EQ(Boundary(kName, SetsLastError<int>{0},
                       [&] {
                           ran = true;
                           return 7;
                       }),
              7);
    EXPECT_TRUE(ran);
}

TEST(Boundary, ArmedFaultFailsTheCallBeforeTheBodyRuns)
{
    bool ran = false;
    const auto body = [&] {
        ran = true;
        return 7;
    };
    {
        const ScopedFault fault(kName, 1, ERROR_ACCESS_DENIED);
        SetLastError(0);
        EXPECT_EQ(Boundary(kName, SetsLastError<int>{0}, body), 0);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    {
        const ScopedFault fault(kName, 1, ERROR_ACCESS_DENIED);
        EXPECT_EQ(Boundary(kName, ReturnsErrorCode{}, [] { return LONG{ERROR_SUCCESS}; }),
                  static_cast<LONG>(ERROR_ACCESS_DENIED));
    }
    {
        // A Win32 code becomes its HRESULT; an HRESULT stays itself.
        const ScopedFault fault(kName, 1, ERROR_ACCESS_DENIED);
        EXPECT_EQ(Boundary(kName, ReturnsHResult{}, [] { return S_OK; }), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    }
    {
        const ScopedFault fault(kName, 1, static_cast<DWORD>(TYPE_E_CANTLOADLIBRARY));
        EXPECT_EQ(Boundary(kName, ReturnsHResult{}, [] { return S_OK; }), TYPE_E_CANTLOADLIBRARY);
    }
    {
        const ScopedFault fault(kName, 1, ERROR_ACCESS_DENIED);
        SetLastError(0);
        EXPECT_EQ(Boundary(kName, ReturnsOnly<void*>{nullptr}, [&] { return static_cast<void*>(&ran); }), nullptr);
        EXPECT_EQ(GetLastError(), 0u);
    }
    EXPECT_FALSE(ran);
}

TEST(Boundary, ExceptionsBecomeTheContractsFailure)
{
    const auto outOfMemory = []() -> int { throw std::bad_alloc(); };
    const auto broken = []() -> int { throw std::runtime_error("broken"); };
    const auto notStandard = []() -> int { throw 42; };

    SetLastError(0);
    EXPECT_EQ(Boundary(kName, SetsLastError<int>{-1}, outOfMemory), -1);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(Boundary(kName, SetsLastError<int>{-1}, broken), -1);
    EXPECT_EQ(GetLastError(), quenvar::platform::kInternalError);
    const SetsLastError<int> internet{-1, ERROR_NOT_ENOUGH_MEMORY, ERROR_INTERNET_INTERNAL_ERROR};
    EXPECT_EQ(Boundary(kName, internet, notStandard), -1);
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INTERNAL_ERROR);

    const auto hrOutOfMemory = []() -> HRESULT { throw std::bad_alloc(); };
    const auto hrBroken = []() -> HRESULT { throw std::runtime_error("broken"); };
    EXPECT_EQ(Boundary(kName, ReturnsHResult{}, hrOutOfMemory), E_OUTOFMEMORY);
    EXPECT_EQ(Boundary(kName, ReturnsHResult{}, hrBroken), E_UNEXPECTED);

    const auto codeOutOfMemory = []() -> LONG { throw std::bad_alloc(); };
    const auto codeBroken = []() -> LONG { throw std::runtime_error("broken"); };
    const ReturnsErrorCode registry{ERROR_OUTOFMEMORY, ERROR_REGISTRY_IO_FAILED};
    EXPECT_EQ(Boundary(kName, registry, codeOutOfMemory), static_cast<LONG>(ERROR_OUTOFMEMORY));
    EXPECT_EQ(Boundary(kName, registry, codeBroken), static_cast<LONG>(ERROR_REGISTRY_IO_FAILED));
}

// The form for COM object methods has no gate: a fault armed by a function's name never reaches it.
TEST(Boundary, GateFreeFormIgnoresArmedFaultsAndCatches)
{
    const ScopedFault fault(kName, 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(Boundary(ReturnsHResult{}, [] { return S_FALSE; }), S_FALSE);
    EXPECT_EQ(Boundary(ReturnsHResult{}, []() -> HRESULT { throw std::bad_alloc(); }), E_OUTOFMEMORY);
    EXPECT_FALSE(quenvar::testing::FaultFired(kName));
}

}  // namespace
