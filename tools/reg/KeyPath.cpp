#include "tools/reg/KeyPath.h"

#include "tools/support/Utf8Text.h"

#include <cwctype>

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
std::u16string StoredName(HKEY parent, const std::u16string& name)
{
    char16_t stored[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(std::size(stored));
        if (RegEnumKeyExW(parent, index, stored, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            return name;
        }
        if (FoldCase({stored, length}) == FoldCase(name)) return {stored, length};
    }
}

}  // namespace

std::u16string FoldCase(std::u16string name)
{
    for (char16_t& c : name) {
        const std::wint_t upper = std::towupper(c);
        if (upper <= 0xFFFF) c = static_cast<char16_t>(upper);
    }
    return name;
}

HKEY RootKey(std::size_t index)
{
    const HKEY roots[] = {HKEY_CLASSES_ROOT,     HKEY_CURRENT_USER,   HKEY_LOCAL_MACHINE, HKEY_USERS,
                          HKEY_PERFORMANCE_DATA, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA};
    return roots[index];
}

LONG OpenKeyPath(const std::string& utf8Path, UniqueKey& key, std::u16string& printedPath)
{
    const std::u16string path = tools::WideFromUtf8(utf8Path);
    std::size_t end = path.find(u'\\');
    const std::size_t root = FindRoot(tools::Utf8FromWide(path.substr(0, end)));
    if (root == kNoRoot) return ERROR_BADKEY;
    key.reset(RootKey(root));
    printedPath = tools::WideFromUtf8(kRootNames[root].name);
    // One trailing `\` is allowed, as the registry allows it.
    while (end != std::string::npos && end + 1 < path.size()) {
        const std::size_t start = end + 1;
        end = path.find(u'\\', start);
        const std::u16string name = path.substr(start, end == std::u16string::npos ? end : end - start);
        if (name.empty()) return ERROR_BADKEY;
        UniqueKey next;
        const LONG result = RegOpenKeyExW(key.get(), name.c_str(), 0, KEY_READ, next.put());
        if (result != ERROR_SUCCESS) return result;
        printedPath += u'\\' + StoredName(key.get(), name);
        key = std::move(next);
    }
    return ERROR_SUCCESS;
}

}  // namespace quenvar::reg
