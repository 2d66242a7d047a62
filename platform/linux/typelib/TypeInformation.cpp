// ITypeInfo: descriptions, implemented types, references and calls.
#include "linux/typelib/TypeInformation.h"

#include "linux/automation/Invoke.h"
#include "linux/typelib/Descriptions.h"
#include "linux/typelib/NestingGuard.h"
#include "linux/edge/Boundary.h"

#include <new>

namespace quenvar::platform {
namespace {

constexpr UINT kInterfaceViewIndex = static_cast<UINT>(-1);
constexpr HREFTYPE kInterfaceViewBit = 2;

// The interface view of a dual interface's dispatch view; any other type information itself.
HRESULT TableView(ITypeInfo* info, ITypeInfo** out)
{
    TYPEATTR* attr = nullptr;
    HRESULT hr = info->GetTypeAttr(&attr);
    if (FAILED(hr)) return hr;
    const bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL) != 0;
    info->ReleaseTypeAttr(attr);
    if (!dual) {
        info->AddRef();
        *out = info;
        return S_OK;
    }
    HREFTYPE twin = 0;
    hr = info->GetRefTypeOfImplType(kInterfaceViewIndex, &twin);
    return FAILED(hr) ? hr : info->GetRefTypeInfo(twin, out);
}

// Appends every function of an interface view's table, those of its bases first.
template <typename TableFunction>
HRESULT AppendTableFunctions(ITypeInfo* info, std::vector<TableFunction>& functions)
{
    const NestingGuard guard;
    if (guard.TooDeep()) return TYPE_E_INVDATAREAD;
    TYPEATTR* attr = nullptr;
    HRESULT hr = info->GetTypeAttr(&attr);
    if (FAILED(hr)) return hr;
    const WORD ownCount = attr->cFuncs;
    const WORD baseCount = attr->cImplTypes;
    info->ReleaseTypeAttr(attr);
    if (baseCount > 0) {
        HREFTYPE baseRef = 0;
        UniqueInterface<ITypeInfo> base, baseTable;
        hr = info->GetRefTypeOfImplType(0, &baseRef);
        if (SUCCEEDED(hr)) hr = info->GetRefTypeInfo(baseRef, base.put());
        if (SUCCEEDED(hr)) hr = TableView(base.get(), baseTable.put());
        if (SUCCEEDED(hr)) hr = AppendTableFunctions(baseTable.get(), functions);
        if (FAILED(hr)) return hr;
    }
    for (UINT i = 0; i < ownCount; ++i) functions.push_back({info, i});
    return S_OK;
}

bool IsLocalDual(const LibraryModel& library, HREFTYPE hreftype)
{
    const TypeInfoModel* base = (hreftype & 3) == 0 ? library.FindLocal(hreftype, nullptr) : nullptr;
    return base != nullptr && base->IsDual();
}

}  // namespace

TypeInformation::TypeInformation(TypeLibrary* library, std::size_t index, TypeView view)
    : library_(library), index_(index), view_(view)
{
}

void TypeInformationDeleter::operator()(TypeInformation* information) const noexcept { delete information; }

OwnedTypeInformation TypeInformation::Create(TypeLibrary* library, std::size_t index, TypeView view) noexcept
{
    return OwnedTypeInformation(new (std::nothrow) TypeInformation(library, index, view));
}

HRESULT TypeInformation::QueryInterface(REFIID riid, void** ppvObject) noexcept
{
    if (ppvObject == nullptr) return E_POINTER;
    if (riid != IID_IUnknown && riid != IID_ITypeInfo) {
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *ppvObject = static_cast<ITypeInfo*>(this);
    return S_OK;
}

ULONG TypeInformation::AddRef() noexcept { return library_->AddRef(); }

ULONG TypeInformation::Release() noexcept { return library_->Release(); }

bool TypeInformation::TableBase(HREFTYPE& hreftype) const
{
    if (type().implemented.empty() || type().kind == TKIND_COCLASS) return false;
    hreftype = type().implemented[0].hreftype;
    if (IsLocalDual(library(), hreftype)) hreftype |= kInterfaceViewBit;
    return true;
}

void TypeInformation::FuncDescRelease::operator()(FUNCDESC* description) const { ReleaseDescription(description); }

HRESULT TypeInformation::TableFuncDesc(const TableFunction& function, FUNCDESC** out) noexcept
{
    if (function.owner != nullptr) return function.owner->GetFuncDesc(function.index, out);
    DescriptionBuilder<FUNCDESC> builder;
    const HRESULT hr = BuildFuncDesc(library(), type().functions[function.index], builder);
    if (SUCCEEDED(hr)) *out = builder.Hand();
    return hr;
}

HRESULT TypeInformation::ReadTable(FunctionTable& table) noexcept
{
    return Boundary(ReturnsHResult{}, [&]() -> HRESULT {
        HREFTYPE baseRef = 0;
        if (TableBase(baseRef)) {
            UniqueInterface<ITypeInfo> base, baseTable;
            HRESULT hr = library_->ResolveHreftype(baseRef, base.put());
            if (SUCCEEDED(hr)) hr = TableView(base.get(), baseTable.put());
            if (SUCCEEDED(hr)) hr = AppendTableFunctions(baseTable.get(), table.functions);
            if (FAILED(hr)) return hr;
        }
        for (UINT i = 0; i < type().functions.size(); ++i) table.functions.push_back({nullptr, i});
        std::vector<FunctionKey> keys;
        for (const TableFunction& function : table.functions) {
            FUNCDESC* description = nullptr;
            const HRESULT hr = TableFuncDesc(function, &description);
            if (FAILED(hr)) return hr;
            table.descriptions.emplace_back(description);
            keys.push_back({description->memid, description->invkind});
            const auto slot = static_cast<unsigned>(static_cast<unsigned>(description->oVft) / sizeof(void*));
            table.calls.push_back({std::make_unique<PreparedCall>(*description), slot});
        }
        table.index = FunctionIndex(keys);
        return S_OK;
    });
}

HRESULT TypeInformation::PublishTable(const FunctionTable*& table) noexcept
{
    // Read without the lock: the bases lead into other type information, and a hostile library
    // can make them lead back here, through itself or a library it imports, on this thread or
    // another one. The depth bound ends such a cycle.
    const NestingGuard nesting;
    if (nesting.TooDeep()) return TYPE_E_INVDATAREAD;
    auto read = std::unique_ptr<FunctionTable>(new (std::nothrow) FunctionTable);
    if (read == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = ReadTable(*read);
    if (FAILED(hr)) return hr;
    std::lock_guard guard(tableLock_);
    // A thread that read at the same time may have published first; its table is the same.
    if (!table_) {
        table_ = std::move(read);
        published_.store(table_.get(), std::memory_order_release);
    }
    table = table_.get();
    return S_OK;
}

HRESULT TypeInformation::GetTypeAttr(TYPEATTR** ppTypeAttr) noexcept
{
    if (ppTypeAttr == nullptr) return E_INVALIDARG;
    *ppTypeAttr = nullptr;
    DescriptionBuilder<TYPEATTR> builder;
    HRESULT hr = BuildTypeAttr(library(), type(), builder);
    if (FAILED(hr)) return hr;
    TYPEATTR& attr = builder.description();
    const WORD dispatchTable = static_cast<WORD>(kDispatchTableSlots * sizeof(void*));
    switch (view_) {
    case TypeView::kDispatch: {
        const FunctionTable* table = nullptr;
        hr = Table(table);
        if (FAILED(hr)) return hr;
        attr.cFuncs = static_cast<WORD>(table->functions.size());
        attr.cbSizeVft = dispatchTable;
        attr.wTypeFlags &= static_cast<WORD>(~TYPEFLAG_FOLEAUTOMATION);
        break;
    }
    case TypeView::kInterface: attr.typekind = TKIND_INTERFACE; break;
    case TypeView::kStored:
        // A dispatch interface is called through IDispatch's table, whatever the file says.
        if (attr.typekind == TKIND_DISPATCH) attr.cbSizeVft = dispatchTable;
        break;
    }
    *ppTypeAttr = builder.Hand();
    return S_OK;
}

HRESULT TypeInformation::GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) noexcept
{
    if (ppFuncDesc == nullptr) return E_INVALIDARG;
    *ppFuncDesc = nullptr;
    if (view_ == TypeView::kDispatch) {
        const FunctionTable* table = nullptr;
        HRESULT hr = Table(table);
        if (FAILED(hr)) return hr;
        if (index >= table->functions.size()) return TYPE_E_ELEMENTNOTFOUND;
        hr = TableFuncDesc(table->functions[index], ppFuncDesc);
        if (SUCCEEDED(hr)) ConvertToDispatchForm(**ppFuncDesc);
        return hr;
    }
    if (index >= type().functions.size()) return TYPE_E_ELEMENTNOTFOUND;
    DescriptionBuilder<FUNCDESC> builder;
    HRESULT hr = BuildFuncDesc(library(), type().functions[index], builder);
    if (FAILED(hr)) return hr;
    *ppFuncDesc = builder.Hand();
    return S_OK;
}

HRESULT TypeInformation::GetVarDesc(UINT index, VARDESC** ppVarDesc) noexcept
{
    if (ppVarDesc == nullptr) return E_INVALIDARG;
    *ppVarDesc = nullptr;
    if (index >= type().variables.size()) return TYPE_E_ELEMENTNOTFOUND;
    DescriptionBuilder<VARDESC> builder;
    HRESULT hr = BuildVarDesc(library(), type().variables[index], builder);
    if (FAILED(hr)) return hr;
    *ppVarDesc = builder.Hand();
    return S_OK;
}

void TypeInformation::ReleaseTypeAttr(TYPEATTR* pTypeAttr) noexcept { ReleaseDescription(pTypeAttr); }
void TypeInformation::ReleaseFuncDesc(FUNCDESC* pFuncDesc) noexcept { ReleaseDescription(pFuncDesc); }
void TypeInformation::ReleaseVarDesc(VARDESC* pVarDesc) noexcept { ReleaseDescription(pVarDesc); }

HRESULT TypeInformation::GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) noexcept
{
    if (pRefType == nullptr) return E_INVALIDARG;
    const std::vector<ImplementedTypeModel>& implemented = type().implemented;
    if (type().kind == TKIND_COCLASS) {
        if (index >= implemented.size()) return TYPE_E_ELEMENTNOTFOUND;
        *pRefType = implemented[index].hreftype;
        return S_OK;
    }
    if (view_ == TypeView::kDispatch) {
        // A dual's dispatch view derives from IDispatch and leads to its own interface view.
        if (index == kInterfaceViewIndex) {
            *pRefType = type().hreftype | kInterfaceViewBit;
            return S_OK;
        }
        if (index != 0 || (!library().dispatchHreftype && implemented.empty())) return TYPE_E_ELEMENTNOTFOUND;
        *pRefType = library().dispatchHreftype.value_or(implemented[0].hreftype);
        return S_OK;
    }
    HREFTYPE base = 0;
    if (index != 0 || !TableBase(base)) return TYPE_E_ELEMENTNOTFOUND;
    *pRefType = base;
    return S_OK;
}

HRESULT TypeInformation::GetImplTypeFlags(UINT index, INT* pImplTypeFlags) noexcept
{
    if (pImplTypeFlags == nullptr) return E_INVALIDARG;
    HREFTYPE ignored = 0;
    HRESULT hr = GetRefTypeOfImplType(index, &ignored);
    if (FAILED(hr)) return hr;
    *pImplTypeFlags = type().kind == TKIND_COCLASS ? type().implemented[index].flags : 0;
    return S_OK;
}

HRESULT TypeInformation::GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) noexcept
{
    if (ppTInfo == nullptr) return E_INVALIDARG;
    return library_->ResolveHreftype(hRefType, ppTInfo);
}

HRESULT TypeInformation::LookupBase(ITypeInfo** out) noexcept
{
    *out = nullptr;
    HREFTYPE base = 0;
    if (!TableBase(base)) return S_FALSE;
    return library_->ResolveHreftype(base, out);
}

HRESULT TypeInformation::GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) noexcept
{
    if (ppTLib != nullptr) {
        library_->AddRef();
        *ppTLib = library_;
    }
    if (pIndex != nullptr) *pIndex = static_cast<UINT>(index_);
    return S_OK;
}

HRESULT TypeInformation::Invoke(PVOID pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
                                VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) noexcept
{
    if (pvInstance == nullptr) return E_INVALIDARG;
    // A pure dispatch interface has no table of its own: the object's IDispatch does the work.
    if (view_ == TypeView::kStored && type().kind == TKIND_DISPATCH) {
        return static_cast<IDispatch*>(pvInstance)
            ->Invoke(memid, IID_NULL, LOCALE_USER_DEFAULT, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
    }
    if (!HasFunctionTable()) return DISP_E_MEMBERNOTFOUND;
    const FunctionTable* table = nullptr;
    std::size_t chosen = 0;
    HRESULT hr = Table(table);
    if (SUCCEEDED(hr)) hr = table->index.Select(memid, wFlags, &chosen);
    if (FAILED(hr)) return hr;
    const TableCall& call = table->calls[chosen];
    return InvokeThroughVtable(pvInstance, *call.call, call.slot, pDispParams, pVarResult, pExcepInfo, puArgErr);
}

HRESULT TypeInformation::GetTypeComp(ITypeComp** ppTComp) noexcept
{
    if (ppTComp != nullptr) *ppTComp = nullptr;
    return E_NOTIMPL;
}

HRESULT TypeInformation::GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) noexcept { return E_NOTIMPL; }

HRESULT TypeInformation::AddressOfMember(MEMBERID, INVOKEKIND, PVOID* ppv) noexcept
{
    if (ppv != nullptr) *ppv = nullptr;
    return E_NOTIMPL;
}

HRESULT TypeInformation::CreateInstance(IUnknown*, REFIID, PVOID* ppvObj) noexcept
{
    if (ppvObj != nullptr) *ppvObj = nullptr;
    return E_NOTIMPL;
}

HRESULT TypeInformation::GetMops(MEMBERID, BSTR* pBstrMops) noexcept
{
    if (pBstrMops != nullptr) *pBstrMops = nullptr;
    return E_NOTIMPL;
}

}  // namespace quenvar::platform
