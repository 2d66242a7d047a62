// A Palvex object that is its own identity: the core's reference word is its reference count.
// Every live object holds one unit of the module lock count.
#pragma once

#include "com/DispatchingPalvex.h"

namespace quenvar {

COM_NO_VTABLE_DTOR_WARNING_BEGIN

class StandaloneObject final : public DispatchingPalvex {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    // The creator for a client that gives no outer unknown (the context is not used). On any
    // failure nothing is left behind: lock count and type-information holds are as before.
    static HRESULT Create(void* context, REFIID riid, void** ppv) noexcept;

private:
    StandaloneObject() noexcept;
    ~StandaloneObject() = default;
    // Teardown and return of the memory; the count is pinned at 1 so a nested AddRef/Release
    // cannot start a second teardown.
    static void Destroy(StandaloneObject* object) noexcept;
};

COM_NO_VTABLE_DTOR_WARNING_END

inline HRESULT CreateStandalone(void* context, REFIID riid, void** ppv) noexcept
{
    return StandaloneObject::Create(context, riid, ppv);
}

}  // namespace quenvar
