#include "tools/palvex/ComponentVersion.h"

#include "platform/UniqueHandle.h"
#include "tools/palvex/VersionBlock.h"
#include "tools/support/StatusText.h"
#include "tools/support/Utf8Text.h"

#include <vector>

namespace quenvar::tools {
namespace {

bool RegisteredModule(const CLSID& clsid, std::string& path, std::string& error)
{
    OLECHAR text[40];
    if (StringFromGUID2(clsid, text, 40) == 0) {
        error = "cannot format the class id";
        return false;
    }
    const std::string keyPath = "CLSID\\" + Utf8FromWide(text) + "\\InprocServer32";
    UniqueKey key;
    LONG result = RegOpenKeyExA(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.put());
    DWORD size = 0;
    if (result == ERROR_SUCCESS) result = RegQueryValueExA(key.get(), nullptr, nullptr, nullptr, nullptr, &size);
    std::vector<char> value(size + 1, '\0');
    if (result == ERROR_SUCCESS) {
        result = RegQueryValueExA(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<LPBYTE>(value.data()), &size);
    }
    if (result != ERROR_SUCCESS) {
        error = "cannot read HKCR\\" + keyPath + ": " + DescribeStatus(static_cast<DWORD>(result));
        return false;
    }
    path = value.data();
    return true;
}

}  // namespace

bool ReadComponentVersion(const CLSID& clsid, ComponentVersion& component, std::string& error)
{
    if (!RegisteredModule(clsid, component.path, error)) return false;
    const UniqueModule module(LoadLibraryExA(component.path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    HRSRC resource = module ? FindResourceA(module.get(), MAKEINTRESOURCEA(1), RT_VERSION) : nullptr;
    HGLOBAL loaded = resource != nullptr ? LoadResource(module.get(), resource) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) {
        error = "cannot read the version resource of " + component.path + ": " + DescribeStatus(GetLastError());
        return false;
    }
    const auto version =
        FileVersionFromBlock(static_cast<const std::uint8_t*>(data), SizeofResource(module.get(), resource));
    if (!version) {
        error = "the version resource of " + component.path + " is malformed";
        return false;
    }
    component.version = *version;
    return true;
}

}  // namespace quenvar::tools
