// A Palvex core with the identity and dispatch slots filled in just enough to construct one on
// the stack; the real wrappers are tested with the library.
#pragma once

#include "component/Palvex.h"

#include <string>

namespace quenvar::testing {

class TestPalvex : public Palvex {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    std::u16string StoredServerURL() const { return std::u16string(serverURL.get(), SysStringLen(serverURL.get())); }
    void SetHttpVer(const char16_t* text, UINT length) { httpVer.reset(SysAllocStringLen(text, length)); }
    // Whether the field behind ContentLocation holds no string at all (reads as "" either way).
    bool ContentLocationIsNull() const { return !contentLocation; }

    void SetServerURL(const std::string& host)
    {
        const std::u16string wide(host.begin(), host.end());
        BSTR value = SysAllocString(wide.c_str());
        put_ServerURL(value);
        SysFreeString(value);
    }

    using Getter = HRESULT (STDMETHODCALLTYPE IPalvex::*)(BSTR*);
    // A property as a client reads it.
    std::u16string Read(Getter getter)
    {
        BSTR value = nullptr;
        if ((this->*getter)(&value) != S_OK) return u"<failed>";
        std::u16string text(value, SysStringLen(value));
        SysFreeString(value);
        return text;
    }
};

}  // namespace quenvar::testing
