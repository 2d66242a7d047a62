// ITypeInfo over one type description of a read library, seen through one view. The library
// owns the object and keeps it while the library lives, so that what the object gathers serves
// every caller; its references are the library's. Thread-safe: the table of functions of an interface (its
// bases' functions, which take loading them, then its own) is gathered on first use, with each
// function prepared for calls, published once under a lock held only for that, and read without
// the lock from then on.
#pragma once

#include "linux/automation/FunctionIndex.h"
#include "linux/automation/PreparedCall.h"
#include "linux/typelib/TaskMemory.h"
#include "linux/typelib/TypeLibrary.h"
#include "platform/UniqueInterface.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace quenvar::platform {

class TypeInformation final : public ITypeInfo, private InTaskMemory {
public:
    // For the library that owns the objects; null when memory runs out.
    [[nodiscard]] static OwnedTypeInformation Create(TypeLibrary* library, std::size_t index, TypeView view) noexcept;

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
    friend struct TypeInformationDeleter;

    // A function of the table: function `index` of `owner`, a base interface's table view, or of
    // this type itself when `owner` is null. Not a reference: the owner belongs to this library or
    // to one it imports and holds, and a reference would keep the library alive through itself.
    struct TableFunction {
        ITypeInfo* owner = nullptr;
        UINT index = 0;
    };
    struct FuncDescRelease {
        void operator()(FUNCDESC* description) const;
    };
    // A function of the table prepared for calls, with its slot.
    struct TableCall {
        std::unique_ptr<PreparedCall> call;
        unsigned slot = 0;
    };
    // The whole table of an interface, inherited functions first, with their table-form
    // descriptions, each prepared for calls, and the index that chooses among them.
    struct FunctionTable {
        std::vector<TableFunction> functions;
        std::vector<std::unique_ptr<FUNCDESC, FuncDescRelease>> descriptions;
        std::vector<TableCall> calls;
        FunctionIndex index;
    };

    TypeInformation(TypeLibrary* library, std::size_t index, TypeView view);
    ~TypeInformation() = default;

    const LibraryModel& library() const { return library_->model(); }
    const TypeInfoModel& type() const { return library().typeInfos[index_]; }
    // Whether this view is called through a table of functions: an interface, or either view of
    // a dual interface.
    bool HasFunctionTable() const { return view_ != TypeView::kStored || type().kind == TKIND_INTERFACE; }
    // The handle of the base interface as the table of functions sees it (bit 1 set for a local
    // dual, so that it resolves to the dual's interface view); false when there is none.
    bool TableBase(HREFTYPE& hreftype) const;
    // The base interface that name and member lookups continue into; S_FALSE when there is none.
    [[nodiscard]] HRESULT LookupBase(ITypeInfo** out) noexcept;
    // The table, read on first use.
    [[nodiscard]] HRESULT Table(const FunctionTable*& table) noexcept
    {
        table = published_.load(std::memory_order_acquire);
        return table != nullptr ? S_OK : PublishTable(table);
    }
    [[nodiscard]] HRESULT PublishTable(const FunctionTable*& table) noexcept;
    [[nodiscard]] HRESULT ReadTable(FunctionTable& table) noexcept;
    // A new table-form description of one function of the table.
    [[nodiscard]] HRESULT TableFuncDesc(const TableFunction& function, FUNCDESC** out) noexcept;

    const FunctionModel* FindFunction(MEMBERID memid) const;
    const VariableModel* FindVariable(MEMBERID memid) const;

    TypeLibrary* library_;
    std::size_t index_;
    TypeView view_;
    std::mutex tableLock_;                           // taken only to publish a table
    std::unique_ptr<FunctionTable> table_;           // written under tableLock_
    std::atomic<const FunctionTable*> published_{};  // table_ once it is complete
};

}  // namespace quenvar::platform
