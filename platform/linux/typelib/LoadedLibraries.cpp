#include "linux/typelib/LoadedLibraries.h"

#include <algorithm>
#include <new>

namespace quenvar::platform {
namespace {

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

bool SameFile(const FileIdentity& a, const FileIdentity& b)
{
    return a.device == b.device && a.inode == b.inode && a.size == b.size && SameTime(a.modified, b.modified) &&
           SameTime(a.changed, b.changed);
}

}  // namespace

bool IdentifyFile(const std::string& fileName, FileIdentity& identity)
{
    struct stat status {};
    if (stat(fileName.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    identity = FileIdentity{fileName, status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
    return true;
}

bool LoadedLibraries::Find(const std::u16string& path, ITypeLib** out)
{
    // The stat under the lock: it is one call, and the lock serves only loads of libraries.
    std::lock_guard guard(lock_);
    const auto found =
        std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) { return entry.path == path; });
    FileIdentity now;
    if (found == entries_.end() || !IdentifyFile(found->identity.fileName, now) || !SameFile(found->identity, now)) {
        return false;
    }
    found->library.get()->AddRef();
    *out = found->library.get();
    return true;
}

void LoadedLibraries::Keep(const std::u16string& path, const FileIdentity& identity, ITypeLib* library) noexcept
try {
    Entry entry{path, identity, UniqueInterface<ITypeLib>()};
    std::lock_guard guard(lock_);
    entries_.reserve(kCapacity);
    std::erase_if(entries_, [&](const Entry& kept) { return kept.path == path; });
    if (entries_.size() == kCapacity) entries_.erase(entries_.begin());
    library->AddRef();
    entry.library.reset(library);
    entries_.push_back(std::move(entry));
} catch (const std::bad_alloc&) {
    // Not kept: the library is only loaded again next time.
}

}  // namespace quenvar::platform
