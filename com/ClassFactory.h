// The class object of a creatable class. The object map's cache holds its first reference, which
// does not count toward the module lock: the module is locked once while any client holds it.
#pragma once

#include "com/CreatorFunction.h"

namespace quenvar {

COM_NO_VTABLE_DTOR_WARNING_BEGIN

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    // CLASS_E_NOAGGREGATION for an outer unknown with any interface but IUnknown; otherwise the
    // instance creator's answer. Takes no lock.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) noexcept override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) noexcept override;

    // context is the instance creator the factory will call. Called under the object-map lock;
    // the first AddRef then takes the factory's own lock after it.
    static HRESULT Create(void* context, REFIID riid, void** ppv) noexcept;

private:
    explicit ClassFactory(CreatorFunction creator) noexcept;
    ~ClassFactory();
    static void Destroy(ClassFactory* factory) noexcept;

    LONG refCount = 0;
    CreatorFunction instanceCreator;
    CRITICAL_SECTION refLock;
};

COM_NO_VTABLE_DTOR_WARNING_END

inline HRESULT CreateClassFactory(void* context, REFIID riid, void** ppv) noexcept
{
    return ClassFactory::Create(context, riid, ppv);
}

// The instance creator of Palvex: standalone without an outer unknown, aggregated with one.
HRESULT CreateComponentInstance(void* outer, REFIID riid, void** ppv) noexcept;

}  // namespace quenvar
