// ITypeLib over a read library.
#include "linux/typelib/TypeLibrary.h"

#include "linux/edge/Boundary.h"
#include "linux/typelib/Documentation.h"
#include "linux/typelib/ImportedLibraries.h"
#include "linux/typelib/TypeInformation.h"

#include <new>

namespace quenvar::platform {

namespace {
constexpr std::size_t kViewCount = 3;
}

TypeLibrary::TypeLibrary(LibraryModel&& model, std::u16string directory)
    : model_(std::move(model)), directory_(std::move(directory))
{
    imported_.resize(model_.importedLibraries.size());
    views_.resize(model_.typeInfos.size() * kViewCount);
}

HRESULT TypeLibrary::Create(LibraryModel&& model, std::u16string directory, TypeLibrary** out) noexcept
{
    *out = nullptr;
    return Boundary(ReturnsHResult{}, [&]() -> HRESULT {
        // NOLINTNEXTLINE(bugprone-unhandled-exception-at-new): Boundary catches std::bad_alloc.
        *out = new TypeLibrary(std::move(model), std::move(directory));
        return S_OK;
    });
}

TypeView TypeLibrary::DefaultView(std::size_t index) const
{
    return model_.typeInfos[index].IsDual() ? TypeView::kDispatch : TypeView::kStored;
}

HRESULT TypeLibrary::CreateTypeInfo(std::size_t index, TypeView view, ITypeInfo** out) noexcept
{
    OwnedTypeInformation& slot = views_[index * kViewCount + static_cast<std::size_t>(view)];
    std::lock_guard guard(viewsLock_);
    if (!slot) slot = TypeInformation::Create(this, index, view);
    if (!slot) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
    AddRef();
    *out = slot.get();
    return S_OK;
}

HRESULT TypeLibrary::ResolveHreftype(HREFTYPE hreftype, ITypeInfo** out) noexcept
{
    *out = nullptr;
    std::size_t index = 0;
    switch (hreftype & 3) {
    case 0:
        if (model_.FindLocal(hreftype, &index) == nullptr) return TYPE_E_ELEMENTNOTFOUND;
        return CreateTypeInfo(index, DefaultView(index), out);
    case 2:
        if (model_.FindLocal(hreftype & ~3u, &index) == nullptr) return TYPE_E_ELEMENTNOTFOUND;
        return CreateTypeInfo(index, model_.typeInfos[index].IsDual() ? TypeView::kInterface : TypeView::kStored, out);
    case 1: {
        const ImportedTypeModel* imported = model_.FindImported(hreftype);
        if (imported == nullptr) return TYPE_E_ELEMENTNOTFOUND;
        UniqueInterface<ITypeLib> library;
        HRESULT hr = ImportedLibrary(imported->library, library.put());
        if (FAILED(hr)) return hr;
        return imported->byGuid ? library.get()->GetTypeInfoOfGuid(imported->guid, out)
                                : library.get()->GetTypeInfo(imported->index, out);
    }
    default: return TYPE_E_ELEMENTNOTFOUND;
    }
}

HRESULT TypeLibrary::ImportedLibrary(std::size_t library, ITypeLib** out) noexcept
{
    std::lock_guard guard(importLock_);
    if (!imported_[library]) {
        UniqueInterface<ITypeLib> loaded;
        HRESULT hr = LoadImportedLibrary(model_.importedLibraries[library], directory_, loaded.put());
        if (FAILED(hr)) return hr;
        // A library that names its own file as an import is itself, through the loaded-library
        // cache; kept, it would keep itself alive.
        if (loaded.get() == this) {
            *out = loaded.release();
            return S_OK;
        }
        imported_[library] = std::move(loaded);
    }
    *out = imported_[library].get();
    (*out)->AddRef();
    return S_OK;
}

HRESULT TypeLibrary::QueryInterface(REFIID riid, void** ppvObject) noexcept
{
    if (ppvObject == nullptr) return E_POINTER;
    if (riid != IID_IUnknown && riid != IID_ITypeLib) {
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *ppvObject = static_cast<ITypeLib*>(this);
    return S_OK;
}

ULONG TypeLibrary::AddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG TypeLibrary::Release() noexcept
{
    const LONG remaining = InterlockedDecrement(&references_);
    if (remaining == 0) delete this;
    return static_cast<ULONG>(remaining);
}

UINT TypeLibrary::GetTypeInfoCount() noexcept { return static_cast<UINT>(model_.typeInfos.size()); }

HRESULT TypeLibrary::GetTypeInfo(UINT index, ITypeInfo** ppTInfo) noexcept
{
    if (ppTInfo == nullptr) return E_INVALIDARG;
    *ppTInfo = nullptr;
    if (index >= model_.typeInfos.size()) return TYPE_E_ELEMENTNOTFOUND;
    return CreateTypeInfo(index, DefaultView(index), ppTInfo);
}

HRESULT TypeLibrary::GetTypeInfoType(UINT index, TYPEKIND* pTKind) noexcept
{
    if (pTKind == nullptr) return E_INVALIDARG;
    if (index >= model_.typeInfos.size()) return TYPE_E_ELEMENTNOTFOUND;
    *pTKind = model_.typeInfos[index].kind;
    return S_OK;
}

HRESULT TypeLibrary::GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo) noexcept
{
    if (ppTinfo == nullptr) return E_INVALIDARG;
    *ppTinfo = nullptr;
    DWORD error = 0;
    if (FaultInjected("ITypeLib::GetTypeInfoOfGuid", &error)) return static_cast<HRESULT>(error);
    // Types declared without a GUID hold the null GUID, which names none of them.
    if (guid == IID_NULL) return TYPE_E_ELEMENTNOTFOUND;
    for (std::size_t i = 0; i < model_.typeInfos.size(); ++i) {
        if (model_.typeInfos[i].guid == guid) return CreateTypeInfo(i, DefaultView(i), ppTinfo);
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT TypeLibrary::GetLibAttr(TLIBATTR** ppTLibAttr) noexcept
{
    if (ppTLibAttr == nullptr) return E_INVALIDARG;
    auto* attributes = new (std::nothrow) TLIBATTR{};
    if (attributes == nullptr) return E_OUTOFMEMORY;
    attributes->guid = model_.libid;
    attributes->lcid = model_.lcid;
    attributes->syskind = model_.sysKind;
    attributes->wMajorVerNum = model_.majorVersion;
    attributes->wMinorVerNum = model_.minorVersion;
    // A library read from a file or resource always has a disk image.
    attributes->wLibFlags = static_cast<WORD>(model_.flags | LIBFLAG_FHASDISKIMAGE);
    *ppTLibAttr = attributes;
    return S_OK;
}

void TypeLibrary::ReleaseTLibAttr(TLIBATTR* pTLibAttr) noexcept { delete pTLibAttr; }

HRESULT TypeLibrary::GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                      BSTR* pBstrHelpFile) noexcept
{
    if (index == -1) {
        return StoreDocumentation(model_.name, model_.docString, model_.helpContext, model_.helpFile, pBstrName,
                                  pBstrDocString, pdwHelpContext, pBstrHelpFile);
    }
    if (index < 0 || static_cast<std::size_t>(index) >= model_.typeInfos.size()) return TYPE_E_ELEMENTNOTFOUND;
    const TypeInfoModel& type = model_.typeInfos[static_cast<std::size_t>(index)];
    return StoreDocumentation(type.name, type.docString, type.helpContext, model_.helpFile, pBstrName, pBstrDocString,
                              pdwHelpContext, pBstrHelpFile);
}

HRESULT TypeLibrary::GetTypeComp(ITypeComp** ppTComp) noexcept
{
    if (ppTComp != nullptr) *ppTComp = nullptr;
    return E_NOTIMPL;
}

HRESULT TypeLibrary::IsName(LPOLESTR, ULONG, BOOL*) noexcept { return E_NOTIMPL; }

HRESULT TypeLibrary::FindName(LPOLESTR, ULONG, ITypeInfo**, MEMBERID*, USHORT*) noexcept { return E_NOTIMPL; }

}  // namespace quenvar::platform
