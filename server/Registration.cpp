#include "server/Registration.h"

#include "module/ModuleFileName.h"
#include "server/ObjectMap.h"
#include "platform/UniqueInterface.h"

#include <algorithm>
#include <iterator>

namespace quenvar {
namespace {

constexpr OLECHAR kTypeLibraryEnding[] = OLESTR(".tlb");

bool TakesPart(const ObjectMapEntry& row) { return row.bulkExclusion() == 0; }

// The last "." of the whole path, or its end when it has none.
OLECHAR* PlaceOfEnding(OLECHAR* path)
{
    OLECHAR* place = nullptr;
    OLECHAR* p = path;
    for (; *p != u'\0'; ++p) {
        if (*p == u'.') place = p;
    }
    return place != nullptr ? place : p;
}

// The path cut just after its last separator, or "" when it has none.
void CopyDirectoryPart(const OLECHAR* path, OLECHAR (&directory)[MAX_PATH])
{
    int cut = 0;
    for (int i = 0; path[i] != u'\0'; ++i) {
        if (path[i] == u'\\' || path[i] == u'/' || path[i] == u':') cut = i + 1;
    }
    for (int i = 0; i < cut; ++i) directory[i] = path[i];
    directory[cut] = u'\0';
}

}  // namespace

HRESULT RegisterClasses(ModuleState* state, BOOL registerTypeLibrary) noexcept
{
    if (state == nullptr) return E_INVALIDARG;
    HRESULT hr = S_OK;
    for (ObjectMapEntry* row = state->objectMap; row->clsid != nullptr; ++row) {
        if (!TakesPart(*row)) continue;
        hr = row->updateRegistry(TRUE);
        if (FAILED(hr)) return hr;
    }
    if (registerTypeLibrary) hr = RegisterOwnTypeLibrary(state);
    return hr;
}

HRESULT UnregisterClasses(ModuleState* state) noexcept
{
    if (state == nullptr) return E_INVALIDARG;
    for (ObjectMapEntry* row = state->objectMap; row->clsid != nullptr; ++row) {
        if (TakesPart(*row)) (void)row->updateRegistry(FALSE);
    }
    return S_OK;
}

HRESULT RegisterOwnTypeLibrary(ModuleState* state) noexcept
{
    if (state == nullptr) return E_INVALIDARG;
    OLECHAR path[MAX_PATH];
    HRESULT hr = ModuleFileName(state->typeLibInstance, path);
    if (FAILED(hr)) return hr;
    UniqueInterface<ITypeLib> typeLib;
    hr = LoadTypeLib(path, typeLib.put());
    if (FAILED(hr)) {
        OLECHAR* ending = PlaceOfEnding(path);
        // A path that fills the buffer has no room for the new ending: refuse instead of overrunning.
        if (static_cast<std::size_t>(ending - path) + std::size(kTypeLibraryEnding) > MAX_PATH)
            return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
        std::copy(std::begin(kTypeLibraryEnding), std::end(kTypeLibraryEnding), ending);
        hr = LoadTypeLib(path, typeLib.put());
        if (FAILED(hr)) return hr;
    }
    OLECHAR helpDirectory[MAX_PATH];
    CopyDirectoryPart(path, helpDirectory);
    return RegisterTypeLib(typeLib.get(), path, helpDirectory);
}

}  // namespace quenvar
