// ITypeInfo over one type description of a read library, seen through one view. The object
// holds a reference on its library. Thread-safe: the table of functions of an interface (its
// bases' functions, which take loading them, then its own) is gathered once under a lock.
#pragma once

#include "linux/typelib/TypeLibrary.h"
#include "platform/UniqueInterface.h"

#include <memory>
#include <mutex>
#include <vector>

namespace quenvar::platform {

class TypeInformation final : public ITypeInfo {
public:
    // A new object with one reference for the caller.
    [[nodiscard]] static HRESULT Create(TypeLibrary* library, std::size_t index, TypeView view,
                                        ITypeInfo** out) noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** ppTypeAttr) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp** ppTComp) noexcept override;
    HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) noexcept override;
    HRESULT STDMETHODCALLTYPE GetVarDesc(UINT index, VARDESC** ppVarDesc) noexcept override;
    HRESULT STDMETHODCALLTYPE GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames,
                                       UINT* pcNames) noexcept override;
    HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) noexcept override;
    HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT index, INT* pImplTypeFlags) noexcept override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) noexcept override;
    HRESULT STDMETHODCALLTYPE Invoke(PVOID pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
                                     VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) noexcept override;
    HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                                               DWORD* pdwHelpContext, BSTR* pBstrHelpFile) noexcept override;
    HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID memid, INVOKEKIND invKind, BSTR* pBstrDllName, BSTR* pBstrName,
                                          WORD* pwOrdinal) noexcept override;
    HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) noexcept override;
    HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID memid, INVOKEKIND invKind, PVOID* ppv) noexcept override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, PVOID* ppvObj) noexcept override;
    HRESULT STDMETHODCALLTYPE GetMops(MEMBERID memid, BSTR* pBstrMops) noexcept override;
    HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) noexcept override;
    void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* pTypeAttr) noexcept override;
    void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC* pFuncDesc) noexcept override;
    void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC* pVarDesc) noexcept override;

private:
    // A function of the table: function `index` of `owner`, a base interface's table view, or of
    // this type itself when `owner` is empty.
    struct TableFunction {
        UniqueInterface<ITypeInfo> owner;
        UINT index = 0;
    };
    struct FuncDescRelease {
        void operator()(FUNCDESC* description) const;
    };
    // The whole table of an interface, inherited functions first, with their table-form
    // descriptions, once as owned blocks and once side by side for choosing by DISPID.
    struct FunctionTable {
        std::vector<TableFunction> functions;
        std::vector<std::unique_ptr<FUNCDESC, FuncDescRelease>> descriptions;
        std::vector<FUNCDESC> selectable;
    };

    TypeInformation(TypeLibrary* library, std::size_t index, TypeView view);
    ~TypeInformation();

    const LibraryModel& library() const { return library_->model(); }
    const TypeInfoModel& type() const { return library().typeInfos[index_]; }
    // Whether this view is called through a table of functions: an interface, or either view of
    // a dual interface.
    bool HasFunctionTable() const;
    // The handle of the base interface as the table of functions sees it (bit 1 set for a local
    // dual, so that it resolves to the dual's interface view); false when there is none.
    bool TableBase(HREFTYPE& hreftype) const;
    // The base interface that name and member lookups continue into; S_FALSE when there is none.
    [[nodiscard]] HRESULT LookupBase(ITypeInfo** out) noexcept;
    [[nodiscard]] HRESULT Table(const FunctionTable*& table) noexcept;
    [[nodiscard]] HRESULT ReadTable(FunctionTable& table) noexcept;
    // A new table-form description of one function of the table.
    [[nodiscard]] HRESULT TableFuncDesc(const TableFunction& function, FUNCDESC** out) noexcept;

    const FunctionModel* FindFunction(MEMBERID memid) const;
    const VariableModel* FindVariable(MEMBERID memid) const;

    LONG references_ = 1;
    TypeLibrary* library_;
    std::size_t index_;
    TypeView view_;
    std::mutex tableLock_;
    std::unique_ptr<FunctionTable> table_;
};

}  // namespace quenvar::platform
