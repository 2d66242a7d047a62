// Loading a module file as data: open it, find ".rsrc" through the ELF section headers, index
// its resource entries. Nothing of the file is mapped or run.
#include "linux/loader/DataFileModules.h"

#include "linux/loader/ElfSection.h"
#include "linux/loader/PeImage.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace quenvar::platform {
namespace {

constexpr ULONG_PTR kDataFileMark = 1;

// Live images, so that a stale or forged handle is refused rather than followed.
std::mutex imagesLock;
DataFileImage* images = nullptr;

class FileDescriptor {
public:
    explicit FileDescriptor(int value) : value_(value) {}
    ~FileDescriptor()
    {
        if (value_ >= 0) ::close(value_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return value_; }

private:
    int value_;
};

DWORD OpenError(int error)
{
    switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_ACCESS_DENIED;
    }
}

bool StartsAsWindowsImage(int descriptor, std::size_t size)
{
    std::uint8_t start[2] = {};
    return size >= sizeof start && ::pread(descriptor, start, sizeof start, 0) == sizeof start &&
           StartsLikePeImage(start);
}

// A Windows DLL's resources: the whole file is kept, as its resource entries lie anywhere in it.
DWORD ReadWindowsResources(int descriptor, std::size_t size, DataFileImage& image)
{
    if (size > kMaxPeBytes) return ERROR_BAD_EXE_FORMAT;
    image.resources.resize(size);
    std::size_t done = 0;
    while (done < image.resources.size()) {
        const ssize_t got =
            ::pread(descriptor, image.resources.data() + done, image.resources.size() - done, static_cast<off_t>(done));
        if (got <= 0) return ERROR_READ_FAULT;
        done += static_cast<std::size_t>(got);
    }
    std::string error;
    if (!ReadPeResources(image.resources, image.entries, &error)) return ERROR_BAD_EXE_FORMAT;
    image.hasResources = !image.entries.empty();
    return ERROR_SUCCESS;
}

DWORD ReadImage(int descriptor, DataFileImage& image)
{
    struct stat status;
    if (::fstat(descriptor, &status) != 0) return ERROR_READ_FAULT;
    // A directory, pipe or device is not a module file, and reading a pipe could block forever.
    if (!S_ISREG(status.st_mode)) return ERROR_ACCESS_DENIED;
    if (status.st_size == 0) return ERROR_FILE_INVALID;
    if (StartsAsWindowsImage(descriptor, static_cast<std::size_t>(status.st_size)))
        return ReadWindowsResources(descriptor, static_cast<std::size_t>(status.st_size), image);
    switch (ReadElfSection(descriptor, static_cast<std::size_t>(status.st_size), ".rsrc", image.resources)) {
    case ElfSectionResult::Missing: return ERROR_SUCCESS;
    case ElfSectionResult::Malformed: return ERROR_BAD_EXE_FORMAT;
    case ElfSectionResult::ReadFailed: return ERROR_READ_FAULT;
    case ElfSectionResult::Found: break;
    }
    if (!ParseResourceFile(image.resources, image.entries)) return ERROR_BAD_EXE_FORMAT;
    image.hasResources = true;
    return ERROR_SUCCESS;
}

DataFileImage* ImageOf(HMODULE module)
{
    return reinterpret_cast<DataFileImage*>(reinterpret_cast<ULONG_PTR>(module) & ~kDataFileMark);
}

}  // namespace

bool IsDataFileHandle(HMODULE module) { return (reinterpret_cast<ULONG_PTR>(module) & kDataFileMark) != 0; }

DWORD LoadDataFile(LPCSTR fileName, HMODULE& module)
{
    FileDescriptor file(::open(fileName, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0) return OpenError(errno);
    auto image = std::make_unique<DataFileImage>();
    const DWORD error = ReadImage(file.get(), *image);
    if (error != ERROR_SUCCESS) return error;

    std::lock_guard guard(imagesLock);
    image->next = images;
    images = image.release();
    module = reinterpret_cast<HMODULE>(reinterpret_cast<ULONG_PTR>(images) | kDataFileMark);
    return ERROR_SUCCESS;
}

const DataFileImage* FindDataFile(HMODULE module)
{
    if (!IsDataFileHandle(module)) return nullptr;
    const DataFileImage* wanted = ImageOf(module);
    std::lock_guard guard(imagesLock);
    for (const DataFileImage* image = images; image != nullptr; image = image->next) {
        if (image == wanted) return image;
    }
    return nullptr;
}

DWORD FreeDataFile(HMODULE module)
{
    const DataFileImage* wanted = ImageOf(module);
    std::unique_ptr<DataFileImage> freed;
    {
        std::lock_guard guard(imagesLock);
        for (DataFileImage** link = &images; *link != nullptr; link = &(*link)->next) {
            if (*link == wanted) {
                freed.reset(*link);
                *link = freed->next;
                break;
            }
        }
    }
    return freed ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

}  // namespace quenvar::platform
