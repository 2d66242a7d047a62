// Small COM objects with observable reference counts, and owners of variants, for the tests of
// the Automation services.
#pragma once

#include "platform/Win32.h"

#include <string>
#include <vector>

namespace quenvar::testing {

COM_NO_VTABLE_DTOR_WARNING_BEGIN

// Lives on the test's stack; answers IUnknown always and IDispatch when `isDispatch`.
class CountedObject final : public IDispatch {
public:
    explicit CountedObject(bool isDispatch) : isDispatch_(isDispatch) {}
    LONG references = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (riid != IID_IUnknown && (riid != IID_IDispatch || !isDispatch_)) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

private:
    bool isDispatch_;
};

// An error object with fixed texts.
class TestErrorInfo final : public IErrorInfo {
public:
    TestErrorInfo(std::u16string source, std::u16string description)
        : source_(std::move(source)), description_(std::move(description))
    {
    }
    LONG references = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
    HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) override
    {
        *guid = IID_NULL;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSource(BSTR* text) override { return Copy(source_, text); }
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR* text) override { return Copy(description_, text); }
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* text) override { return Copy(u"help.chm", text); }
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* context) override
    {
        *context = 42;
        return S_OK;
    }

private:
    static HRESULT Copy(const std::u16string& value, BSTR* text)
    {
        *text = SysAllocString(value.c_str());
        return S_OK;
    }
    std::u16string source_;
    std::u16string description_;
};

COM_NO_VTABLE_DTOR_WARNING_END

inline VARIANT MakeVariant(VARTYPE type)
{
    VARIANT v{};
    v.vt = type;
    return v;
}
inline VARIANT I4(LONG value)
{
    VARIANT v = MakeVariant(VT_I4);
    v.lVal = value;
    return v;
}
inline VARIANT R8(double value)
{
    VARIANT v = MakeVariant(VT_R8);
    v.dblVal = value;
    return v;
}
inline VARIANT Bool(bool value)
{
    VARIANT v = MakeVariant(VT_BOOL);
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}
// Owns a new BSTR: clear it with VariantClear.
inline VARIANT Text(const char16_t* value)
{
    VARIANT v = MakeVariant(VT_BSTR);
    v.bstrVal = SysAllocString(value);
    return v;
}
inline VARIANT ByRef(VARTYPE type, void* target)
{
    VARIANT v = MakeVariant(static_cast<VARTYPE>(VT_BYREF | type));
    v.byref = target;
    return v;
}

inline std::u16string TextOf(BSTR text) { return text == nullptr ? u"" : std::u16string(text, SysStringLen(text)); }

// Dispatch arguments in the caller's order; rgvarg gets them reversed, the named ones first.
class Arguments {
public:
    Arguments(std::vector<VARIANT> positional, const std::vector<std::pair<DISPID, VARIANT>>& named = {})
    {
        for (auto& [id, value] : named) {
            values_.push_back(value);
            ids_.push_back(id);
        }
        values_.insert(values_.end(), positional.rbegin(), positional.rend());
        params_.rgvarg = values_.empty() ? nullptr : values_.data();
        params_.rgdispidNamedArgs = ids_.empty() ? nullptr : ids_.data();
        params_.cArgs = static_cast<UINT>(values_.size());
        params_.cNamedArgs = static_cast<UINT>(ids_.size());
    }
    ~Arguments()
    {
        for (VARIANT& value : values_) VariantClear(&value);
    }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;
    DISPPARAMS* get() { return &params_; }

private:
    std::vector<VARIANT> values_;
    std::vector<DISPID> ids_;
    DISPPARAMS params_{};
};

// A put's single value, passed as the named argument DISPID_PROPERTYPUT.
inline std::vector<std::pair<DISPID, VARIANT>> PutValue(VARIANT value) { return {{DISPID_PROPERTYPUT, value}}; }

}  // namespace quenvar::testing
