// Libraries already loaded, by the path they were loaded from. Loading reads and checks the whole
// file, and a process loads the same library again for every object that comes to need it after
// the last one let it go. An entry serves only while its file is still the one it was read from.
#pragma once

#include "platform/UniqueInterface.h"
#include "linux/typelib/TypeLibrary.h"

#include <sys/stat.h>

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace quenvar::platform {

// Which file a path names, and which content of it: a replaced or rewritten file differs.
struct FileIdentity {
    std::string fileName;  // the file looked at: the path itself, or the module of "module\N"
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
};

// False when the file cannot be looked at.
bool IdentifyFile(const std::string& fileName, FileIdentity& identity);

class LoadedLibraries {
public:
    // The library loaded from `path`, with a reference for the caller, when its file is still
    // the one it was read from: one stat of that file. False when there is none.
    bool Find(std::u16string_view path, TypeLibrary** out);
    // Keeps `library`, loaded from `path` after `identity` was taken, unless memory runs out.
    void Keep(std::u16string_view path, const FileIdentity& identity, TypeLibrary* library) noexcept;

private:
    // A process uses a few libraries; beyond that the one kept longest goes.
    static constexpr std::size_t kCapacity = 8;

    struct Entry {
        std::u16string path;
        FileIdentity identity;
        UniqueInterface<TypeLibrary> library;
    };

    std::mutex lock_;
    std::vector<Entry> entries_;
};

}  // namespace quenvar::platform
