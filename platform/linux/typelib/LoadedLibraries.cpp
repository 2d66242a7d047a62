#include "linux/typelib/LoadedLibraries.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace quenvar::platform {
namespace {

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

// Whether `status` is of the file `identity` was taken from, with the same content.
bool SameFile(const FileIdentity& identity, const struct stat& status)
{
    return S_ISREG(status.st_mode) && identity.device == status.st_dev && identity.inode == status.st_ino &&
           identity.size == status.st_size && SameTime(identity.modified, status.st_mtim) &&
           SameTime(identity.changed, status.st_ctim);
}

// Compared as bytes: a path is found again exactly as it was given.
bool SamePath(const std::u16string& kept, std::u16string_view asked)
{
    return kept.size() == asked.size() && std::memcmp(kept.data(), asked.data(), asked.size() * sizeof(char16_t)) == 0;
}

}  // namespace

bool IdentifyFile(const std::string& fileName, FileIdentity& identity)
{
    struct stat status {};
    if (stat(fileName.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    identity = FileIdentity{fileName, status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
    return true;
}

bool LoadedLibraries::Find(std::u16string_view path, TypeLibrary** out)
{
    // The stat under the lock: it is one call, and the lock serves only loads of libraries.
    std::lock_guard guard(lock_);
    const auto found =
        std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) { return SamePath(entry.path, path); });
    struct stat now;  // filled by stat, read only when it succeeds
    if (found == entries_.end() || stat(found->identity.fileName.c_str(), &now) != 0 ||
        !SameFile(found->identity, now)) {
        return false;
    }
    found->library.get()->AddRef();
    *out = found->library.get();
    return true;
}

void LoadedLibraries::Keep(std::u16string_view path, const FileIdentity& identity, TypeLibrary* library) noexcept
try {
    Entry entry{std::u16string(path), identity, UniqueInterface<TypeLibrary>()};
    std::lock_guard guard(lock_);
    entries_.reserve(kCapacity);
    std::erase_if(entries_, [&](const Entry& kept) { return SamePath(kept.path, path); });
    if (entries_.size() == kCapacity) entries_.erase(entries_.begin());
    library->AddRef();
    entry.library.reset(library);
    entries_.push_back(std::move(entry));
} catch (const std::bad_alloc&) {
    // Not kept: the library is only loaded again next time.
}

}  // namespace quenvar::platform
