// A Palvex object aggregated by a client. The outer object is the non-delegating IUnknown that
// only the aggregating client holds; the core inside sends its identity calls to the client's
// controlling unknown, on which it takes no reference.
#pragma once

#include "com/DispatchingPalvex.h"

namespace quenvar {

COM_NO_VTABLE_DTOR_WARNING_BEGIN

class DelegatingCore final : public DispatchingPalvex {
public:
    explicit DelegatingCore(IUnknown* controllingUnknown) noexcept { reference.outer = controllingUnknown; }
    ~DelegatingCore() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
};

class AggregateOuter final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    // The creator for a client that aggregates: context is the controlling unknown.
    static HRESULT Create(void* context, REFIID riid, void** ppv) noexcept;

private:
    explicit AggregateOuter(IUnknown* controllingUnknown) noexcept;
    ~AggregateOuter() = default;
    static void Destroy(AggregateOuter* object) noexcept;

    LONG count = 0;
    DelegatingCore core;
};

COM_NO_VTABLE_DTOR_WARNING_END

inline HRESULT CreateAggregate(void* context, REFIID riid, void** ppv) noexcept
{
    return AggregateOuter::Create(context, riid, ppv);
}

}  // namespace quenvar
