#include "com/DispatchingPalvex.h"
#include "com/TypeInfoHolder.h"
#include "module/ModuleState.h"
#include "platform/UniqueInterface.h"
#include "platform/automation/TestObjects.h"
#include "platform/test_support/FaultInjection.h"
#include "platform/test_support/RegistryTesting.h"

#include "tests/com/ModuleFixture.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

namespace quenvar {
namespace {

using testing::Arguments;
using testing::PutValue;
using testing::TestErrorInfo;
using testing::Text;
using testing::TextOf;

constexpr WORD kRead = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
constexpr LCID kEnglish = 0x0409;

COM_NO_VTABLE_DTOR_WARNING_BEGIN

// The dispatching core the identity wrappers derive from, with a hold on the type information;
// its own lifetime is the test's scope.
class HeldPalvex final : public DispatchingPalvex {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    std::u16string StoredServerURL() const { return TextOf(serverURL.get()); }
};

COM_NO_VTABLE_DTOR_WARNING_END

// A private registry and a freshly initialised module record for each test; every test must
// leave the holder as it found it: no hold, nothing cached.
class TypeInfoHolderTest : public testing::ModuleFixture {
protected:
    void TearDown() override
    {
        EXPECT_EQ(theTypeInfoHolder.holdCount, 0);
        EXPECT_EQ(theTypeInfoHolder.cachedTypeInfo.load(), nullptr);
        ModuleFixture::TearDown();
    }

    static void Register()
    {
        const char16_t* path = u"" QUENVAR_TEST_TYPE_LIBRARY;
        UniqueInterface<ITypeLib> library;
        ASSERT_EQ(LoadTypeLib(path, library.put()), S_OK);
        ASSERT_EQ(RegisterTypeLib(library.get(), path, nullptr), S_OK);
    }

    static HRESULT IdOf(IDispatch& object, const char16_t* name, DISPID* id, LCID lcid = kEnglish)
    {
        std::u16string copy(name);
        LPOLESTR names[] = {copy.data()};
        return object.GetIDsOfNames(IID_NULL, names, 1, lcid, id);
    }

    testing::ScopedPrivateRegistry registry_;
};

TEST_F(TypeInfoHolderTest, CountIsOne)
{
    HeldPalvex object;
    UINT count = 0;
    EXPECT_EQ(object.GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(object.GetTypeInfoCount(nullptr), E_POINTER);
}

TEST_F(TypeInfoHolderTest, UnregisteredLibraryFailsUntilItIsRegistered)
{
    HeldPalvex object;
    ITypeInfo* typeInfo = reinterpret_cast<ITypeInfo*>(&object);
    EXPECT_EQ(object.GetTypeInfo(0, kEnglish, &typeInfo), TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(typeInfo, nullptr);
    EXPECT_EQ(object.GetTypeInfo(0, kEnglish, nullptr), E_POINTER);
    DISPID id = 99;
    EXPECT_EQ(IdOf(object, u"HTTPVer", &id), TYPE_E_LIBNOTREGISTERED);

    TestErrorInfo stale(u"Earlier", u"left over");
    SetErrorInfo(0, &stale);
    Arguments none({});
    VARIANT result{};
    EXPECT_EQ(object.Invoke(kDispIdHTTPVer, IID_NULL, kEnglish, kRead, none.get(), &result, nullptr, nullptr),
              TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(stale.references, 1);  // cleared before anything else
    EXPECT_EQ(theTypeInfoHolder.cachedTypeInfo.load(), nullptr);

    Register();
    ASSERT_EQ(object.GetTypeInfo(0, kEnglish, &typeInfo), S_OK);
    ASSERT_NE(typeInfo, nullptr);
    typeInfo->Release();
    EXPECT_EQ(IdOf(object, u"HTTPVer", &id), S_OK);
    EXPECT_EQ(id, kDispIdHTTPVer);
}

TEST_F(TypeInfoHolderTest, FailedLoadIsAnsweredAndTriedAgain)
{
    Register();
    const std::pair<const char*, HRESULT> faults[] = {
        {"LoadRegTypeLib", E_OUTOFMEMORY},
        {"ITypeLib::GetTypeInfoOfGuid", TYPE_E_ELEMENTNOTFOUND},
    };
    for (const auto& [function, error] : faults) {
        SCOPED_TRACE(function);
        HeldPalvex object;
        {
            testing::ScopedFault fault(function, 1, static_cast<DWORD>(error));
            ITypeInfo* typeInfo = reinterpret_cast<ITypeInfo*>(&object);
            EXPECT_EQ(object.GetTypeInfo(0, kEnglish, &typeInfo), error);
            EXPECT_EQ(typeInfo, nullptr);
            EXPECT_EQ(theTypeInfoHolder.cachedTypeInfo.load(), nullptr);
        }
        {
            testing::ScopedFault fault(function, 1, static_cast<DWORD>(error));
            DISPID id = 0;
            EXPECT_EQ(IdOf(object, u"HTTPVer", &id), error);
        }
        DISPID id = 0;
        EXPECT_EQ(IdOf(object, u"HTTPVer", &id), S_OK);
        EXPECT_EQ(id, kDispIdHTTPVer);
    }
}

TEST_F(TypeInfoHolderTest, AnyIndexYieldsTheInterfaceWithAReference)
{
    Register();
    HeldPalvex object;
    UniqueInterface<ITypeInfo> first;
    UniqueInterface<ITypeInfo> other;
    ASSERT_EQ(object.GetTypeInfo(0, kEnglish, first.put()), S_OK);
    ASSERT_EQ(object.GetTypeInfo(5, kEnglish, other.put()), S_OK);
    EXPECT_EQ(first.get(), other.get());
    EXPECT_EQ(first.get(), theTypeInfoHolder.cachedTypeInfo.load());

    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(first.get()->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(attributes->guid == IID_IPalvex);
    first.get()->ReleaseTypeAttr(attributes);

    // The caller's references are its own: releasing them leaves the cache usable.
    first.reset();
    other.reset();
    DISPID id = 0;
    EXPECT_EQ(IdOf(object, u"ErrorInfo", &id), S_OK);
}

TEST_F(TypeInfoHolderTest, NamesMapToTheirDispatchIdsInAnyCase)
{
    Register();
    HeldPalvex object;
    const std::pair<const char16_t*, DISPID> names[] = {
        {u"HTTPVer", 1},     {u"httpver", 1},   {u"SERVERSOFTWARE", 2},    {u"ContentLocation", 3},
        {u"serverURL", 4},   {u"ServerURL", 4}, {u"CurrentServerTime", 5}, {u"QueryServer", 6},
        {u"queryserver", 6}, {u"ErrorInfo", 7},
    };
    for (const auto& [name, expected] : names) {
        const std::u16string_view wide(name);
        SCOPED_TRACE(std::string(wide.begin(), wide.end()));
        DISPID id = 0;
        EXPECT_EQ(IdOf(object, name, &id), S_OK);
        EXPECT_EQ(id, expected);
    }
    DISPID id = 0;
    EXPECT_EQ(IdOf(object, u"ServerName", &id), DISP_E_UNKNOWNNAME);
}

TEST_F(TypeInfoHolderTest, InvokeReachesTheMembersThroughTheCallersPointer)
{
    Register();
    HeldPalvex object;
    IDispatch& dispatch = object;

    Arguments url({}, PutValue(Text(u"example.test")));
    EXPECT_EQ(dispatch.Invoke(kDispIdServerURL, IID_NULL, kEnglish, DISPATCH_PROPERTYPUT, url.get(), nullptr, nullptr,
                              nullptr),
              S_OK);
    EXPECT_EQ(object.StoredServerURL(), u"example.test");

    Arguments none({});
    VARIANT result{};
    ASSERT_EQ(dispatch.Invoke(kDispIdHTTPVer, IID_NULL, kEnglish, kRead, none.get(), &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(result.vt, VT_BSTR);
    EXPECT_EQ(TextOf(result.bstrVal), u"");
    VariantClear(&result);

    EXPECT_EQ(dispatch.Invoke(kDispIdServerURL, IID_NULL, kEnglish, kRead, none.get(), &result, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

TEST_F(TypeInfoHolderTest, LastDropReleasesTheCacheAndALaterObjectLoadsAgain)
{
    Register();
    {
        HeldPalvex first;
        HeldPalvex second;
        DISPID id = 0;
        ASSERT_EQ(IdOf(first, u"QueryServer", &id), S_OK);
        EXPECT_EQ(theTypeInfoHolder.holdCount, 2);
        ASSERT_NE(theTypeInfoHolder.cachedTypeInfo.load(), nullptr);
    }
    EXPECT_EQ(theTypeInfoHolder.holdCount, 0);
    EXPECT_EQ(theTypeInfoHolder.cachedTypeInfo.load(), nullptr);

    HeldPalvex later;
    EXPECT_EQ(theTypeInfoHolder.cachedTypeInfo.load(), nullptr);
    DISPID id = 0;
    EXPECT_EQ(IdOf(later, u"QueryServer", &id), S_OK);
    EXPECT_NE(theTypeInfoHolder.cachedTypeInfo.load(), nullptr);
}

TEST_F(TypeInfoHolderTest, LocalesAfterTheFirstLoadShareIt)
{
    Register();
    HeldPalvex object;
    UniqueInterface<ITypeInfo> english;
    ASSERT_EQ(object.GetTypeInfo(0, kEnglish, english.put()), S_OK);
    for (LCID lcid : {LCID{0x0407}, LCID{0}, LOCALE_USER_DEFAULT}) {
        SCOPED_TRACE(lcid);
        UniqueInterface<ITypeInfo> other;
        ASSERT_EQ(object.GetTypeInfo(0, lcid, other.put()), S_OK);
        EXPECT_EQ(other.get(), english.get());
        DISPID id = 0;
        EXPECT_EQ(IdOf(object, u"ContentLocation", &id, lcid), S_OK);
        EXPECT_EQ(id, kDispIdContentLocation);
    }
}

TEST_F(TypeInfoHolderTest, FilledCacheServesCallsWithoutTheLock)
{
    Register();
    HeldPalvex object;
    DISPID id = 0;
    ASSERT_EQ(IdOf(object, u"HTTPVer", &id), S_OK);

    // This thread holds the lock, as a load would; the object's calls on another must not wait.
    std::future<std::pair<HRESULT, HRESULT>> calls;
    bool finished = false;
    {
        CriticalSectionGuard held(theModule.typeInfoLock);
        calls = std::async(std::launch::async, [&object] {
            DISPID other = 0;
            Arguments none({});
            VARIANT result{};
            const HRESULT named = IdOf(object, u"ErrorInfo", &other);
            const HRESULT invoked =
                object.Invoke(kDispIdHTTPVer, IID_NULL, kEnglish, kRead, none.get(), &result, nullptr, nullptr);
            VariantClear(&result);
            return std::make_pair(named, invoked);
        });
        // Only a deadlock takes this long.
        finished = calls.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    }
    ASSERT_TRUE(finished);
    EXPECT_EQ(calls.get(), std::make_pair(S_OK, S_OK));
}

TEST_F(TypeInfoHolderTest, ConcurrentFirstCallsLoadOnce)
{
    Register();
    HeldPalvex object;
    std::array<ITypeInfo*, 8> seen{};
    std::vector<std::thread> threads;
    for (ITypeInfo*& slot : seen) {
        threads.emplace_back([&object, &slot] { EXPECT_EQ(object.GetTypeInfo(0, kEnglish, &slot), S_OK); });
    }
    for (std::thread& thread : threads) thread.join();
    for (ITypeInfo* typeInfo : seen) {
        EXPECT_EQ(typeInfo, seen[0]);
        if (typeInfo != nullptr) typeInfo->Release();
    }
}

}  // namespace
}  // namespace quenvar
