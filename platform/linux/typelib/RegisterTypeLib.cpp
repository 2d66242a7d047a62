// RegisterTypeLib and UnRegisterTypeLib: the keys under HKEY_CLASSES_ROOT that let
// LoadRegTypeLib find a library, and those of its dispatch and OLE Automation interfaces.
// Coclasses are not registered here; their servers register them.
#include "platform/Win32.h"

#include "linux/edge/Boundary.h"
#include "platform/UniqueInterface.h"
#include "linux/typelib/LoadTypeLibrary.h"
#include "linux/typelib/TypeLibRegistry.h"

#include <string>
#include <vector>

namespace {

using namespace quenvar::platform;
using quenvar::UniqueInterface;
using quenvar::UniqueKey;

constexpr WORD kRegisteredLibraryFlags = LIBFLAG_FRESTRICTED | LIBFLAG_FCONTROL | LIBFLAG_FHIDDEN;

HRESULT FromRegistry(LONG code) { return code == ERROR_SUCCESS ? S_OK : TYPE_E_REGISTRYACCESS; }

LONG SetString(HKEY key, LPCWSTR name, const std::u16string& text)
{
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
}

// The folder of a library's path without its trailing separator, after dropping a "\N"
// resource index: the help folder when the caller names none.
std::u16string HelpDirectoryOf(std::u16string_view path)
{
    const std::size_t separator = path.rfind(u'\\');
    if (separator != std::u16string_view::npos && separator + 1 < path.size() &&
        path.find_first_not_of(u"0123456789", separator + 1) == std::u16string_view::npos) {
        path = path.substr(0, separator);
    }
    std::u16string directory = DirectoryOf(path);
    if (!directory.empty()) directory.pop_back();
    return directory;
}

// The library's doc string, or its name when it has none.
HRESULT LibraryTitle(ITypeLib* library, std::u16string& title)
{
    BSTR name = nullptr, doc = nullptr;
    const HRESULT hr = library->GetDocumentation(-1, &name, &doc, nullptr, nullptr);
    if (FAILED(hr)) return hr;
    const quenvar::UniqueBstr nameOwner(name), docOwner(doc);
    const BSTR chosen = doc != nullptr ? doc : name;
    title = chosen != nullptr ? std::u16string(chosen, SysStringLen(chosen)) : std::u16string();
    return S_OK;
}

// What one registration writes below HKEY_CLASSES_ROOT, with a note of every key it made that was
// not there before: unless kept, those keys go again, newest first, so a registration that fails
// half way leaves no part of itself behind.
class RegistrationWrites {
public:
    RegistrationWrites() = default;
    ~RegistrationWrites()
    {
        for (auto key = created_.rbegin(); key != created_.rend(); ++key)
            (void)RegDeleteKeyW(HKEY_CLASSES_ROOT, key->c_str());
    }
    RegistrationWrites(const RegistrationWrites&) = delete;
    RegistrationWrites& operator=(const RegistrationWrites&) = delete;

    // Opens `subKey` for setting values, creating its path one level at a time; `isNew` tells
    // whether the key itself was made now.
    LONG Create(const std::u16string& subKey, UniqueKey& key, bool& isNew)
    {
        isNew = false;
        for (std::size_t end = subKey.find(u'\\');; end = subKey.find(u'\\', end + 1)) {
            const std::u16string path = subKey.substr(0, end);
            created_.reserve(created_.size() + 1);
            DWORD disposition = 0;
            const LONG code = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                              KEY_SET_VALUE, nullptr, key.put(), &disposition);
            if (code != ERROR_SUCCESS) return code;
            isNew = disposition == REG_CREATED_NEW_KEY;
            if (isNew) created_.push_back(path);
            if (end == std::u16string::npos) return ERROR_SUCCESS;
        }
    }

    LONG WriteString(const std::u16string& subKey, LPCWSTR name, const std::u16string& text)
    {
        UniqueKey key;
        bool isNew = false;
        const LONG code = Create(subKey, key, isNew);
        return code == ERROR_SUCCESS ? SetString(key.get(), name, text) : code;
    }

    void Keep() { created_.clear(); }

private:
    std::vector<std::u16string> created_;
};

HRESULT WriteHelpDirectory(RegistrationWrites& writes, const std::u16string& versionKey, LPCOLESTR fullPath,
                           LPCOLESTR helpDirectory)
{
    if (helpDirectory != nullptr)
        return FromRegistry(writes.WriteString(versionKey + u"\\HELPDIR", nullptr, helpDirectory));
    // Without a help folder, a new key gets the library's folder and an existing one stays.
    UniqueKey key;
    bool isNew = false;
    LONG code = writes.Create(versionKey + u"\\HELPDIR", key, isNew);
    if (code == ERROR_SUCCESS && isNew) code = SetString(key.get(), nullptr, HelpDirectoryOf(fullPath));
    return FromRegistry(code);
}

HRESULT WriteInterface(RegistrationWrites& writes, const RegisteredInterface& registered, const std::u16string& libid,
                       const std::u16string& version)
{
    const std::u16string key = u"Interface\\" + FormatGuid(registered.iid);
    const std::u16string proxy = FormatGuid(registered.proxyStub);
    LONG code = writes.WriteString(key, nullptr, registered.name);
    if (code == ERROR_SUCCESS) code = writes.WriteString(key + u"\\ProxyStubClsid", nullptr, proxy);
    if (code == ERROR_SUCCESS) code = writes.WriteString(key + u"\\ProxyStubClsid32", nullptr, proxy);
    if (code == ERROR_SUCCESS) code = writes.WriteString(key + u"\\TypeLib", nullptr, libid);
    if (code == ERROR_SUCCESS) code = writes.WriteString(key + u"\\TypeLib", u"Version", version);
    return FromRegistry(code);
}

HRESULT Register(ITypeLib* library, LPCOLESTR fullPath, LPCOLESTR helpDirectory)
{
    TLIBATTR* attributes = nullptr;
    HRESULT hr = library->GetLibAttr(&attributes);
    if (FAILED(hr)) return hr;
    const TLIBATTR attr = *attributes;
    library->ReleaseTLibAttr(attributes);
    const std::optional<std::u16string> sysKind = SysKindKeyName(attr.syskind);
    if (!sysKind) return E_INVALIDARG;

    std::u16string title;
    std::vector<RegisteredInterface> interfaces;
    hr = LibraryTitle(library, title);
    if (SUCCEEDED(hr)) hr = RegisteredInterfaces(library, interfaces);
    if (FAILED(hr)) return hr;

    const std::u16string version = VersionKeyName(attr.wMajorVerNum, attr.wMinorVerNum);
    const std::u16string versionKey = LibraryKeyPath(attr.guid) + u"\\" + version;
    const std::string flagDigits = std::to_string(attr.wLibFlags & kRegisteredLibraryFlags);
    const std::u16string flags(flagDigits.begin(), flagDigits.end());
    RegistrationWrites writes;
    LONG code = writes.WriteString(versionKey, nullptr, title);
    if (code == ERROR_SUCCESS)
        code = writes.WriteString(versionKey + u"\\" + LocaleKeyName(attr.lcid) + u"\\" + *sysKind, nullptr, fullPath);
    if (code == ERROR_SUCCESS) code = writes.WriteString(versionKey + u"\\FLAGS", nullptr, flags);
    hr = code == ERROR_SUCCESS ? WriteHelpDirectory(writes, versionKey, fullPath, helpDirectory) : FromRegistry(code);
    for (auto registered = interfaces.begin(); SUCCEEDED(hr) && registered != interfaces.end(); ++registered) {
        hr = WriteInterface(writes, *registered, FormatGuid(attr.guid), version);
    }
    if (SUCCEEDED(hr)) writes.Keep();
    return hr;
}

// Deletes `key`; a key that is missing or still has subkeys is left as it is.
LONG DeleteIfLeaf(const std::u16string& key)
{
    const LONG code = RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_ACCESS_DENIED ? LONG{ERROR_SUCCESS} : code;
}

LONG RemoveInterface(const RegisteredInterface& registered, const std::u16string& libid, const std::u16string& version)
{
    // Only the registration this library made: another library may have registered the same IID.
    const std::u16string key = u"Interface\\" + FormatGuid(registered.iid);
    std::u16string owner, ownerVersion;
    if (ReadString(HKEY_CLASSES_ROOT, key + u"\\TypeLib", nullptr, owner) != ERROR_SUCCESS ||
        ReadString(HKEY_CLASSES_ROOT, key + u"\\TypeLib", u"Version", ownerVersion) != ERROR_SUCCESS ||
        !SameKeyName(owner, libid) || ownerVersion != version) {
        return ERROR_SUCCESS;
    }
    LONG code = ERROR_SUCCESS;
    for (const char16_t* subKey : {u"\\ProxyStubClsid", u"\\ProxyStubClsid32", u"\\TypeLib"}) {
        code = DeleteIfLeaf(key + subKey);
        if (code != ERROR_SUCCESS) return code;
    }
    return DeleteIfLeaf(key);
}

HRESULT Unregister(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND sysKind)
{
    const std::optional<std::u16string> sysKindName = SysKindKeyName(sysKind);
    if (!sysKindName) return E_INVALIDARG;
    const std::u16string libraryKey = LibraryKeyPath(libid);
    const std::u16string version = VersionKeyName(major, minor);
    const std::u16string versionKey = libraryKey + u"\\" + version;
    const std::u16string localeKey = versionKey + u"\\" + LocaleKeyName(lcid);
    std::u16string path;
    if (ReadString(HKEY_CLASSES_ROOT, localeKey + u"\\" + *sysKindName, nullptr, path) != ERROR_SUCCESS) {
        return E_INVALIDARG;
    }
    UniqueInterface<TypeLibrary> library;
    std::vector<RegisteredInterface> interfaces;
    if (FAILED(LoadTypeLibraryFromPath(path, library.put()))) return TYPE_E_INVALIDSTATE;
    HRESULT hr = RegisteredInterfaces(library.get(), interfaces);
    if (FAILED(hr)) return hr;

    LONG code = ERROR_SUCCESS;
    for (auto registered = interfaces.begin(); code == ERROR_SUCCESS && registered != interfaces.end(); ++registered) {
        code = RemoveInterface(*registered, FormatGuid(libid), version);
    }
    if (code == ERROR_SUCCESS) code = DeleteIfLeaf(localeKey + u"\\" + *sysKindName);
    if (code == ERROR_SUCCESS) code = DeleteIfLeaf(localeKey);
    if (code != ERROR_SUCCESS) return FromRegistry(code);

    // The version goes once nothing but its FLAGS and HELPDIR remain, the library key once empty.
    UniqueKey versionHandle;
    std::vector<std::u16string> remaining;
    code = RegOpenKeyExW(HKEY_CLASSES_ROOT, versionKey.c_str(), 0, KEY_READ, versionHandle.put());
    if (code == ERROR_SUCCESS) code = SubkeyNames(versionHandle.get(), remaining);
    versionHandle.reset();
    if (code != ERROR_SUCCESS) return FromRegistry(code);
    for (const std::u16string& name : remaining) {
        if (!SameKeyName(name, u"FLAGS") && !SameKeyName(name, u"HELPDIR")) return S_OK;
    }
    for (const char16_t* subKey : {u"\\FLAGS", u"\\HELPDIR", u""}) {
        code = DeleteIfLeaf(versionKey + subKey);
        if (code != ERROR_SUCCESS) return FromRegistry(code);
    }
    return FromRegistry(DeleteIfLeaf(libraryKey));
}

}  // namespace

extern "C" {

HRESULT STDAPICALLTYPE RegisterTypeLib(ITypeLib* typeLib, LPCOLESTR fullPath, LPCOLESTR helpDirectory) noexcept
{
    if (typeLib == nullptr || fullPath == nullptr) return E_INVALIDARG;
    return quenvar::platform::Boundary("RegisterTypeLib", quenvar::platform::ReturnsHResult{},
                                       [&]() -> HRESULT { return Register(typeLib, fullPath, helpDirectory); });
}

HRESULT STDAPICALLTYPE UnRegisterTypeLib(REFGUID libraryId, WORD majorVersion, WORD minorVersion, LCID lcid,
                                         SYSKIND sysKind) noexcept
{
    return quenvar::platform::Boundary("UnRegisterTypeLib", quenvar::platform::ReturnsHResult{}, [&]() -> HRESULT {
        return Unregister(libraryId, majorVersion, minorVersion, lcid, sysKind);
    });
}

}  // extern "C"
