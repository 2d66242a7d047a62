#include "com/InterfaceTable.h"

#include <gtest/gtest.h>

#include <vector>

namespace quenvar {
namespace {

constexpr IID kFirst = {0x11111111, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr IID kSecond = {0x22222222, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr IID kThird = {0x33333333, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};

COM_NO_VTABLE_DTOR_WARNING_BEGIN
// Two interface pointers at different offsets, each counting its AddRefs.
struct TwoFaced {
    struct Face : IUnknown {
        int addRefs = 0;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
        ULONG STDMETHODCALLTYPE AddRef() override { return ++addRefs; }
        ULONG STDMETHODCALLTYPE Release() override { return --addRefs; }
    };
    Face front;
    Face back;
};
COM_NO_VTABLE_DTOR_WARNING_END

std::vector<DWORD_PTR> resolverCalls;

HRESULT Answer(HRESULT hr, void* object, void** ppv)
{
    if (hr == S_OK) *ppv = object;
    return hr;
}
HRESULT ResolveSFalse(void* object, REFIID, void** ppv, DWORD_PTR value)
{
    resolverCalls.push_back(value);
    return Answer(S_FALSE, object, ppv);
}
HRESULT ResolveFail(void* object, REFIID, void** ppv, DWORD_PTR value)
{
    resolverCalls.push_back(value);
    return Answer(E_ACCESSDENIED, object, ppv);
}
HRESULT ResolveOk(void* object, REFIID, void** ppv, DWORD_PTR value)
{
    resolverCalls.push_back(value);
    return Answer(S_OK, object, ppv);
}

DWORD_PTR BackOffset()
{
    TwoFaced object;
    return reinterpret_cast<BYTE*>(&object.back) - reinterpret_cast<BYTE*>(&object);
}

TEST(FindInterface, MarkerRowsAnswerTheirOffsetAndAddRefThroughIt)
{
    const InterfaceEntry table[] = {MarkerRow(kFirst, 0), MarkerRow(kSecond, BackOffset()), kEndOfTable};
    TwoFaced object;
    void* found = nullptr;
    EXPECT_EQ(FindInterface(&object, table, kSecond, &found), S_OK);
    EXPECT_EQ(found, &object.back);
    EXPECT_EQ(object.back.addRefs, 1);
    // IUnknown is always the first row, whatever that row's IID.
    EXPECT_EQ(FindInterface(&object, table, IID_IUnknown, &found), S_OK);
    EXPECT_EQ(found, &object.front);
    EXPECT_EQ(object.front.addRefs, 1);
}

TEST(FindInterface, UnknownInterfaceAndNullOutPointer)
{
    const InterfaceEntry table[] = {MarkerRow(kFirst, 0), kEndOfTable};
    TwoFaced object;
    void* found = &object;
    EXPECT_EQ(FindInterface(&object, table, kThird, &found), E_NOINTERFACE);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(FindInterface(&object, table, kFirst, nullptr), E_POINTER);
    EXPECT_EQ(object.front.addRefs, 0);
}

TEST(FindInterface, ResolverRowsDecideByBlindnessAndResult)
{
    struct Case {
        const char* name;
        InterfaceEntry rows[4];
        HRESULT expected;
        std::vector<DWORD_PTR> calls;
    };
    const Case cases[] = {
        {"blind success code goes on",
         {MarkerRow(kFirst, 0), {nullptr, 1, &ResolveSFalse}, kEndOfTable},
         E_NOINTERFACE,
         {1}},
        {"blind failure goes on",
         {MarkerRow(kFirst, 0), {nullptr, 1, &ResolveFail}, {nullptr, 2, &ResolveOk}, kEndOfTable},
         S_OK,
         {1, 2}},
        {"named failure answers",
         {MarkerRow(kFirst, 0), {&kThird, 1, &ResolveFail}, {nullptr, 2, &ResolveOk}, kEndOfTable},
         E_ACCESSDENIED,
         {1}},
        {"named S_FALSE goes on",
         {MarkerRow(kFirst, 0), {&kThird, 1, &ResolveSFalse}, {&kThird, 2, &ResolveOk}, kEndOfTable},
         S_OK,
         {1, 2}},
        {"other IID skipped", {MarkerRow(kFirst, 0), {&kSecond, 1, &ResolveOk}, kEndOfTable}, E_NOINTERFACE, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resolverCalls.clear();
        TwoFaced object;
        void* found = nullptr;
        EXPECT_EQ(FindInterface(&object, c.rows, kThird, &found), c.expected);
        EXPECT_EQ(resolverCalls, c.calls);
        EXPECT_EQ(found != nullptr, c.expected == S_OK);
    }
}

}  // namespace
}  // namespace quenvar
