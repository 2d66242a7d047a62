#include "TestObjects.h"

#include <gtest/gtest.h>

#include <thread>

namespace quenvar::testing {
namespace {

TEST(ErrorInfo, GetHandsTheObjectOverOnce)
{
    TestErrorInfo error(u"source", u"description");
    IErrorInfo* taken = &error;
    EXPECT_EQ(GetErrorInfo(0, &taken), S_FALSE);
    EXPECT_EQ(taken, nullptr);

    ASSERT_EQ(SetErrorInfo(0, &error), S_OK);
    EXPECT_EQ(error.references, 2);
    ASSERT_EQ(GetErrorInfo(0, &taken), S_OK);
    EXPECT_EQ(taken, &error);
    EXPECT_EQ(error.references, 2);  // the thread's reference is now the caller's
    taken->Release();
    EXPECT_EQ(GetErrorInfo(0, &taken), S_FALSE);
    EXPECT_EQ(GetErrorInfo(0, nullptr), E_INVALIDARG);
}

TEST(ErrorInfo, SetReleasesTheObjectItReplaces)
{
    TestErrorInfo first(u"a", u"first");
    TestErrorInfo second(u"b", u"second");
    SetErrorInfo(0, &first);
    SetErrorInfo(0, &first);
    EXPECT_EQ(first.references, 2);
    SetErrorInfo(0, &second);
    EXPECT_EQ(first.references, 1);
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(second.references, 1);
    IErrorInfo* taken = nullptr;
    EXPECT_EQ(GetErrorInfo(0, &taken), S_FALSE);
}

TEST(ErrorInfo, EachThreadHasItsOwnAndEndingReleasesIt)
{
    TestErrorInfo mine(u"main", u"main thread");
    TestErrorInfo theirs(u"worker", u"worker thread");
    SetErrorInfo(0, &mine);
    std::thread worker([&theirs] {
        IErrorInfo* taken = nullptr;
        EXPECT_EQ(GetErrorInfo(0, &taken), S_FALSE);
        SetErrorInfo(0, &theirs);
    });
    worker.join();
    EXPECT_EQ(theirs.references, 1);
    IErrorInfo* taken = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &taken), S_OK);
    EXPECT_EQ(taken, &mine);
    taken->Release();
}

}  // namespace
}  // namespace quenvar::testing
