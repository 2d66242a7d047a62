// ITypeLib over a read library. Thread-safe: the library's content never changes, and imported
// libraries are loaded once under a lock.
#pragma once

#include "platform/UniqueInterface.h"
#include "linux/typelib/LibraryModel.h"
#include "linux/typelib/TaskMemory.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quenvar::platform {

class TypeInformation;
struct TypeInformationDeleter {
    void operator()(TypeInformation* information) const noexcept;
};
using OwnedTypeInformation = std::unique_ptr<TypeInformation, TypeInformationDeleter>;

// How a type description is seen. A dual interface is stored once and seen twice: as a dispatch
// interface (what the library hands out for it) and as the interface of its table of functions.
enum class TypeView { kStored, kDispatch, kInterface };

class TypeLibrary final : public ITypeLib, private InTaskMemory {
public:
    // A new library object with one reference for the caller. `directory` is where the library's
    // file lies (empty if it has none); imported libraries may be found beside it.
    [[nodiscard]] static HRESULT Create(LibraryModel&& model, std::u16string directory, TypeLibrary** out) noexcept;

    const LibraryModel& model() const { return model_; }

    // The type information for type `index` seen as `view`, with a reference for the caller.
    [[nodiscard]] HRESULT CreateTypeInfo(std::size_t index, TypeView view, ITypeInfo** out) noexcept;
    // The view a handle names: a plain local handle gives a dual's dispatch view, the same handle
    // with bit 1 set its interface view; an imported handle the type from the other library.
    [[nodiscard]] HRESULT ResolveHreftype(HREFTYPE hreftype, ITypeInfo** out) noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    UINT STDMETHODCALLTYPE GetTypeInfoCount() noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, ITypeInfo** ppTInfo) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoType(UINT index, TYPEKIND* pTKind) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo) noexcept override;
    HRESULT STDMETHODCALLTYPE GetLibAttr(TLIBATTR** ppTLibAttr) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp** ppTComp) noexcept override;
    HRESULT STDMETHODCALLTYPE GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                               BSTR* pBstrHelpFile) noexcept override;
    HRESULT STDMETHODCALLTYPE IsName(LPOLESTR szNameBuf, ULONG lHashVal, BOOL* pfName) noexcept override;
    HRESULT STDMETHODCALLTYPE FindName(LPOLESTR szNameBuf, ULONG lHashVal, ITypeInfo** ppTInfo, MEMBERID* rgMemId,
                                       USHORT* pcFound) noexcept override;
    void STDMETHODCALLTYPE ReleaseTLibAttr(TLIBATTR* pTLibAttr) noexcept override;

private:
    TypeLibrary(LibraryModel&& model, std::u16string directory);
    ~TypeLibrary() = default;

    // The view a library hands out for its type `index`.
    TypeView DefaultView(std::size_t index) const;
    [[nodiscard]] HRESULT ImportedLibrary(std::size_t library, ITypeLib** out) noexcept;

    LONG references_ = 1;
    LibraryModel model_;
    std::u16string directory_;
    std::mutex importLock_;
    std::vector<UniqueInterface<ITypeLib>> imported_;  // by LibraryModel::importedLibraries index
    std::mutex viewsLock_;
    // The type information objects handed out, by type index and view; made on first demand.
    // Declared after imported_, so destroyed before it: their tables point into those libraries.
    std::vector<OwnedTypeInformation> views_;
};

}  // namespace quenvar::platform
