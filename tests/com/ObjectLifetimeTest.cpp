#include "com/AggregateObject.h"
#include "com/ClassFactory.h"
#include "com/StandaloneObject.h"
#include "platform/test_support/FaultInjection.h"
#include "tests/com/ModuleFixture.h"

#include <gtest/gtest.h>

namespace quenvar {
namespace {

using ObjectLifetime = testing::ModuleFixture;

constexpr IID kISupportErrorInfo = {0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

COM_NO_VTABLE_DTOR_WARNING_BEGIN
// A client object that aggregates a Palvex: it counts its own references and hands IPalvex
// requests to the inner object's non-delegating IUnknown.
class TestOuter final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualGUID(riid, IID_IUnknown)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
    ULONG STDMETHODCALLTYPE Release() override { return --count; }

    ULONG count = 1;
    IUnknown* inner = nullptr;
};
COM_NO_VTABLE_DTOR_WARNING_END

TEST_F(ObjectLifetime, StandaloneAnswersOnePointerForItsThreeInterfaces)
{
    IUnknown* unknown = nullptr;
    ASSERT_EQ(CreateComponentInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(theModule.lockCount, 1);
    void* palvex = nullptr;
    void* dispatch = nullptr;
    ASSERT_EQ(unknown->QueryInterface(IID_IPalvex, &palvex), S_OK);
    ASSERT_EQ(unknown->QueryInterface(IID_IDispatch, &dispatch), S_OK);
    EXPECT_EQ(palvex, unknown);
    EXPECT_EQ(dispatch, unknown);
    EXPECT_EQ(unknown->AddRef(), 4u);  // one reference per answer
    EXPECT_EQ(unknown->Release(), 3u);

    void* other = unknown;
    EXPECT_EQ(unknown->QueryInterface(kISupportErrorInfo, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(unknown->QueryInterface(IID_IClassFactory, nullptr), E_POINTER);

    EXPECT_EQ(unknown->Release(), 2u);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(unknown->Release(), 0u);
    EXPECT_EQ(theModule.lockCount, 0);
}

TEST_F(ObjectLifetime, FailedCreationLeavesNothingBehind)
{
    void* object = this;
    EXPECT_EQ(CreateComponentInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(theModule.lockCount, 0);
    {
        quenvar::testing::ScopedFault fault("HeapAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(CreateComponentInstance(nullptr, IID_IPalvex, &object), E_OUTOFMEMORY);
    }
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(theModule.lockCount, 0);
}

TEST_F(ObjectLifetime, AggregateCountsInnerInterfacesOnTheControllingUnknown)
{
    TestOuter outer;
    IUnknown* inner = nullptr;
    ASSERT_EQ(CreateComponentInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)), S_OK);
    outer.inner = inner;
    EXPECT_EQ(theModule.lockCount, 1);
    EXPECT_EQ(outer.count, 1u);  // no reference taken on the controlling unknown

    void* self = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IUnknown, &self), S_OK);
    EXPECT_EQ(self, inner);
    EXPECT_EQ(inner->Release(), 1u);

    IPalvex* palvex = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IPalvex, reinterpret_cast<void**>(&palvex)), S_OK);
    EXPECT_NE(static_cast<void*>(palvex), static_cast<void*>(inner));
    EXPECT_EQ(outer.count, 2u);
    EXPECT_EQ(palvex->AddRef(), 3u);  // answers the controlling unknown's count
    EXPECT_EQ(palvex->Release(), 2u);

    // The core's IUnknown is whatever the controlling unknown answers.
    void* coreUnknown = nullptr;
    ASSERT_EQ(palvex->QueryInterface(IID_IUnknown, &coreUnknown), S_OK);
    EXPECT_EQ(coreUnknown, &outer);
    outer.Release();

    BSTR host = SysAllocString(u"aggregated.test");
    EXPECT_EQ(palvex->put_ServerURL(host), S_OK);
    SysFreeString(host);
    palvex->Release();
    EXPECT_EQ(outer.count, 1u);

    EXPECT_EQ(inner->Release(), 0u);
    EXPECT_EQ(theModule.lockCount, 0);
}

TEST_F(ObjectLifetime, ClassFactoryLocksModuleOncePerClientHold)
{
    IClassFactory* factory = nullptr;
    ASSERT_EQ(CreateClassFactory(reinterpret_cast<void*>(&CreateComponentInstance), IID_IUnknown,
                                 reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(theModule.lockCount, 0);  // the cache's own reference does not lock

    EXPECT_EQ(factory->AddRef(), 2u);
    EXPECT_EQ(theModule.lockCount, 1);
    EXPECT_EQ(factory->AddRef(), 3u);
    EXPECT_EQ(factory->Release(), 2u);
    EXPECT_EQ(theModule.lockCount, 1);
    EXPECT_EQ(factory->Release(), 1u);
    EXPECT_EQ(theModule.lockCount, 0);

    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(theModule.lockCount, 1);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);

    void* object = this;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPalvex, nullptr), E_POINTER);
    TestOuter outer;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IPalvex, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IDispatch, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, kISupportErrorInfo, &object), E_NOINTERFACE);
    EXPECT_EQ(theModule.lockCount, 0);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPalvex, &object), S_OK);
    EXPECT_EQ(theModule.lockCount, 1);
    static_cast<IUnknown*>(object)->Release();

    void* asDispatch = this;
    EXPECT_EQ(factory->QueryInterface(IID_IDispatch, &asDispatch), E_NOINTERFACE);
    EXPECT_EQ(asDispatch, nullptr);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(theModule.lockCount, 0);
}

TEST_F(ObjectLifetime, ClassFactoryCreationFailures)
{
    void* factory = this;
    {
        quenvar::testing::ScopedFault fault("HeapAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(CreateClassFactory(reinterpret_cast<void*>(&CreateComponentInstance), IID_IUnknown, &factory),
                  E_OUTOFMEMORY);
    }
    EXPECT_EQ(CreateClassFactory(reinterpret_cast<void*>(&CreateComponentInstance), IID_IDispatch, &factory),
              E_NOINTERFACE);
    EXPECT_EQ(factory, nullptr);
    EXPECT_EQ(theModule.lockCount, 0);
}

}  // namespace
}  // namespace quenvar
