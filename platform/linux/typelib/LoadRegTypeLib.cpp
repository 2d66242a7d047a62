// LoadRegTypeLib: finds a library through its registration. Of the registered versions with the
// major version asked for, the minor asked for is taken, else the highest above it. Of that
// version's locales, the one asked for is taken, else its primary language, else locale 0, else
// any registered one, so that a library registered under 0 or under its own locale is found
// whatever locale the caller passes. A 64-bit process prefers "win64" to "win32".
#include "platform/Win32.h"

#include "linux/registry/RegistryMemo.h"
#include "linux/edge/Boundary.h"
#include "platform/UniqueInterface.h"
#include "linux/typelib/LoadTypeLibrary.h"
#include "linux/typelib/TypeLibRegistry.h"

#include <memory>

namespace {

using namespace quenvar::platform;
using quenvar::UniqueInterface;
using quenvar::UniqueKey;
// Shared with the memo rather than copied out of it: a repeated load makes no copy of the path.
using SharedPath = std::shared_ptr<const std::u16string>;

constexpr LCID kPrimaryLanguageMask = 0x3FF;
constexpr const char16_t* kSysKindsInOrder[] = {u"win64", u"win32"};

// The registered version key to use; TYPE_E_LIBNOTREGISTERED when no version fits.
HRESULT ChooseVersion(HKEY library, WORD major, WORD minor, std::u16string& chosen)
{
    std::vector<std::u16string> names;
    if (SubkeyNames(library, names) != ERROR_SUCCESS) return TYPE_E_REGISTRYACCESS;
    int bestMinor = -1;
    for (const std::u16string& name : names) {
        WORD registeredMajor = 0, registeredMinor = 0;
        if (!ParseVersionKeyName(name, registeredMajor, registeredMinor) || registeredMajor != major ||
            registeredMinor < minor) {
            continue;
        }
        if (registeredMinor == minor) {
            chosen = name;
            return S_OK;
        }
        if (registeredMinor > bestMinor) {
            bestMinor = registeredMinor;
            chosen = name;
        }
    }
    return bestMinor >= 0 ? S_OK : TYPE_E_LIBNOTREGISTERED;
}

// The registered path of the library under `versionKey` for the locale asked for.
HRESULT FindPath(const std::u16string& versionKey, LCID lcid, std::u16string& path)
{
    std::vector<LCID> locales = {lcid, lcid & kPrimaryLanguageMask, 0};
    UniqueKey version;
    std::vector<std::u16string> names;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, versionKey.c_str(), 0, KEY_READ, version.put()) != ERROR_SUCCESS ||
        SubkeyNames(version.get(), names) != ERROR_SUCCESS) {
        return TYPE_E_REGISTRYACCESS;
    }
    for (const std::u16string& name : names) {
        LCID registered = 0;
        if (ParseLocaleKeyName(name, registered)) locales.push_back(registered);
    }
    for (LCID locale : locales) {
        for (const char16_t* sysKind : kSysKindsInOrder) {
            const std::u16string key = versionKey + u"\\" + LocaleKeyName(locale) + u"\\" + sysKind;
            if (ReadString(HKEY_CLASSES_ROOT, key, nullptr, path) == ERROR_SUCCESS) return S_OK;
        }
    }
    return TYPE_E_LIBNOTREGISTERED;
}

// The registered path of the library for the version and locale asked for.
HRESULT RegisteredPath(REFGUID libid, WORD major, WORD minor, LCID lcid, SharedPath& path)
{
    static RegistryMemo<SharedPath> found;
    // The request's bytes as they are: formatting a GUID costs more than the lookup it saves.
    struct {
        GUID libid;
        WORD major, minor;
        LCID lcid;
    } const asked{libid, major, minor, lcid};
    static_assert(sizeof asked == sizeof(GUID) + 2 * sizeof(WORD) + sizeof(LCID), "no padding in the key");
    const std::string_view request(reinterpret_cast<const char*>(&asked), sizeof asked);
    return found.Lookup(request, path, [&](SharedPath& read) -> HRESULT {
        UniqueKey library;
        const LONG code = RegOpenKeyExW(HKEY_CLASSES_ROOT, LibraryKeyPath(libid).c_str(), 0, KEY_READ, library.put());
        if (code == ERROR_FILE_NOT_FOUND) return TYPE_E_LIBNOTREGISTERED;
        if (code != ERROR_SUCCESS) return TYPE_E_REGISTRYACCESS;
        std::u16string version, text;
        HRESULT hr = ChooseVersion(library.get(), major, minor, version);
        if (SUCCEEDED(hr)) hr = FindPath(LibraryKeyPath(libid) + u"\\" + version, lcid, text);
        if (SUCCEEDED(hr)) read = std::make_shared<const std::u16string>(std::move(text));
        return hr;
    });
}

HRESULT LoadRegistered(REFGUID libid, WORD major, WORD minor, LCID lcid, ITypeLib** out)
{
    SharedPath path;
    HRESULT hr = RegisteredPath(libid, major, minor, lcid, path);
    if (FAILED(hr)) return hr;

    UniqueInterface<TypeLibrary> loaded;
    hr = LoadTypeLibraryFromPath(*path, loaded.put());
    if (FAILED(hr)) return hr;
    // The file must be the library asked for, in a version that satisfies the request: checked
    // at every load, since the file may have been replaced since the last.
    const LibraryModel& model = loaded.get()->model();
    if (model.libid != libid || model.majorVersion != major || model.minorVersion < minor) {
        return TYPE_E_LIBNOTREGISTERED;
    }
    *out = loaded.release();
    return S_OK;
}

}  // namespace

extern "C" HRESULT STDAPICALLTYPE LoadRegTypeLib(REFGUID libraryId, WORD majorVersion, WORD minorVersion, LCID lcid,
                                                 ITypeLib** typeLib) noexcept
{
    if (typeLib == nullptr) return E_INVALIDARG;
    *typeLib = nullptr;
    return quenvar::platform::Boundary("LoadRegTypeLib", quenvar::platform::ReturnsHResult{}, [&]() -> HRESULT {
        return LoadRegistered(libraryId, majorVersion, minorVersion, lcid, typeLib);
    });
}
