#include "tools/reg/KeyPath.h"

namespace quenvar::reg {
namespace {

constexpr std::size_t kNoRoot = kRootNames.size();

std::size_t FindRoot(const std::string& name)
{
    for (std::size_t i = 0; i < kRootNames.size(); ++i) {
        const RootName& root = kRootNames[i];
        if (lstrcmpiA(name.c_str(), root.name) == 0 || lstrcmpiA(name.c_str(), root.abbreviation) == 0) return i;
    }
    return kNoRoot;
}

// The name of parent's subkey as stored; the name as written when enumeration does not show it.
std::string StoredName(HKEY parent, const std::string& name)
{
    char stored[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof stored;
        if (RegEnumKeyExA(parent, index, stored, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            return name;
        }
        if (lstrcmpiA(stored, name.c_str()) == 0) return stored;
    }
}

}  // namespace

HKEY RootKey(std::size_t index)
{
    const HKEY roots[] = {HKEY_CLASSES_ROOT,     HKEY_CURRENT_USER,   HKEY_LOCAL_MACHINE, HKEY_USERS,
                          HKEY_PERFORMANCE_DATA, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA};
    return roots[index];
}

LONG OpenKeyPath(const std::string& path, UniqueKey& key, std::string& printedPath)
{
    std::size_t end = path.find('\\');
    const std::size_t root = FindRoot(path.substr(0, end));
    if (root == kNoRoot) return ERROR_BADKEY;
    key.reset(RootKey(root));
    printedPath = kRootNames[root].name;
    // One trailing `\` is allowed, as the registry allows it.
    while (end != std::string::npos && end + 1 < path.size()) {
        const std::size_t start = end + 1;
        end = path.find('\\', start);
        const std::string name = path.substr(start, end == std::string::npos ? end : end - start);
        if (name.empty()) return ERROR_BADKEY;
        UniqueKey next;
        const LONG result = RegOpenKeyExA(key.get(), name.c_str(), 0, KEY_READ, next.put());
        if (result != ERROR_SUCCESS) return result;
        printedPath += '\\' + StoredName(key.get(), name);
        key = std::move(next);
    }
    return ERROR_SUCCESS;
}

}  // namespace quenvar::reg
