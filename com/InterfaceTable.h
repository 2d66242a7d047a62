// Interface lookup by constant table. A row either marks where in the object the interface
// pointer for its IID sits, or names a resolver that answers for it; a row without an IID is
// blind and matches any IID. The first row must be a marker row: it also answers IUnknown.
#pragma once

#include "platform/Win32.h"

namespace quenvar {

using InterfaceResolver = HRESULT (*)(void* object, REFIID riid, void** ppv, DWORD_PTR value);

// The resolver of a marker row; never called.
HRESULT InterfaceMarker(void* object, REFIID riid, void** ppv, DWORD_PTR value) noexcept;

struct InterfaceEntry {
    const IID* iid;
    DWORD_PTR value;             // marker row: byte offset of the interface pointer in the object
    InterfaceResolver resolver;  // InterfaceMarker, a resolver, or null to end the table
};

constexpr InterfaceEntry MarkerRow(const IID& iid, DWORD_PTR offset) { return {&iid, offset, &InterfaceMarker}; }
constexpr InterfaceEntry kEndOfTable = {nullptr, 0, nullptr};

// E_POINTER for a null ppv; E_NOINTERFACE (*ppv null) when no row answers. A found interface is
// AddRef'ed through itself, so an interface inside an aggregate is counted by its controlling unknown.
[[nodiscard]] HRESULT FindInterface(void* object, const InterfaceEntry* table, REFIID riid, void** ppv) noexcept;

}  // namespace quenvar
