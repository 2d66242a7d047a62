// A minimal in-process server for the activation tests: one class, a static class factory, and
// DllCanUnloadNow answering S_OK only while no object and no factory reference is held. Built
// without QUENVAR_TEST_SERVER_UNLOADABLE it has no DllCanUnloadNow at all.
#include "TestServer.h"

namespace {

using quenvar::testing::CLSID_TestObject;
using quenvar::testing::IID_ITestObject;
using quenvar::testing::ITestObject;

LONG serverLocks = 0;

class TestObject final : public ITestObject {
public:
    TestObject() { InterlockedIncrement(&serverLocks); }
    ~TestObject() { InterlockedDecrement(&serverLocks); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_ITestObject) return E_NOINTERFACE;
        *ppv = static_cast<ITestObject*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    LONG STDMETHODCALLTYPE ServerLocks() override { return serverLocks; }

private:
    LONG references_ = 0;
};

class TestFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&serverLocks)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&serverLocks)); }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto* object = new TestObject;
        object->AddRef();
        const HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock) InterlockedIncrement(&serverLocks);
        else InterlockedDecrement(&serverLocks);
        return S_OK;
    }
};

TestFactory factory;

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (clsid != CLSID_TestObject) return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, ppv);
}

#ifdef QUENVAR_TEST_SERVER_UNLOADABLE
extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow()
{
    return serverLocks == 0 ? S_OK : S_FALSE;
}
#endif
