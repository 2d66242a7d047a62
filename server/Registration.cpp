#include "server/Registration.h"

#include "server/ObjectMap.h"
#include "platform/UniqueInterface.h"

namespace quenvar {
namespace {

constexpr char kTypeLibraryEnding[] = ".tlb";

bool TakesPart(const ObjectMapEntry& row) { return row.bulkExclusion() == 0; }

// The whole ANSI path with its NUL; false when it does not fit.
bool ToWide(const char* path, OLECHAR (&wide)[MAX_PATH])
{
    wide[0] = u'\0';
    return MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) != 0;
}

// The last "." of the whole path (stepping whole characters), or its end when it has none.
char* PlaceOfEnding(char* path)
{
    char* place = nullptr;
    char* p = path;
    for (; *p != '\0'; p = CharNextA(p)) {
        if (*p == '.') place = p;
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
    char path[MAX_PATH] = "";
    GetModuleFileNameA(state->typeLibInstance, path, MAX_PATH);
    OLECHAR widePath[MAX_PATH];
    ToWide(path, widePath);
    UniqueInterface<ITypeLib> typeLib;
    HRESULT hr = LoadTypeLib(widePath, typeLib.put());
    if (FAILED(hr)) {
        char* ending = PlaceOfEnding(path);
        // A path that fills the buffer has no room for the new ending: refuse instead of overrunning.
        if (ending - path + sizeof kTypeLibraryEnding > sizeof path)
            return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
        lstrcpyA(ending, kTypeLibraryEnding);
        if (!ToWide(path, widePath)) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
        hr = LoadTypeLib(widePath, typeLib.put());
        if (FAILED(hr)) return hr;
    }
    OLECHAR helpDirectory[MAX_PATH];
    CopyDirectoryPart(widePath, helpDirectory);
    return RegisterTypeLib(typeLib.get(), widePath, helpDirectory);
}

}  // namespace quenvar
