#include "com/InterfaceTable.h"

namespace quenvar {
namespace {

HRESULT AnswerAt(void* object, DWORD_PTR offset, void** ppv) noexcept
{
    auto* found = reinterpret_cast<IUnknown*>(static_cast<BYTE*>(object) + offset);
    found->AddRef();
    *ppv = found;
    return S_OK;
}

}  // namespace

HRESULT InterfaceMarker(void*, REFIID, void**, DWORD_PTR) noexcept { return E_UNEXPECTED; }

HRESULT FindInterface(void* object, const InterfaceEntry* table, REFIID riid, void** ppv) noexcept
{
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualGUID(riid, IID_IUnknown)) return AnswerAt(object, table[0].value, ppv);
    for (const InterfaceEntry* row = table; row->resolver != nullptr; ++row) {
        const bool blind = row->iid == nullptr;
        if (!blind && !IsEqualGUID(*row->iid, riid)) continue;
        if (row->resolver == &InterfaceMarker) return AnswerAt(object, row->value, ppv);
        const HRESULT hr = row->resolver(object, riid, ppv, row->value);
        // A resolver for this very IID decides; a blind one only answers when it succeeds.
        if (hr == S_OK || (!blind && FAILED(hr))) return hr;
    }
    return E_NOINTERFACE;
}

}  // namespace quenvar
