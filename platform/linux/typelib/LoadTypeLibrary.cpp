// LoadTypeLib: type library files and, by the same path rules, type library resources of modules.
#include "linux/typelib/LoadTypeLibrary.h"

#include "linux/kernel/CodePage.h"
#include "linux/testing/FaultPoint.h"
#include "linux/typelib/MsftReader.h"
#include "linux/typelib/TypeLibrary.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quenvar::platform {
namespace {

// Far beyond any real type library; bounds what a stray path can make us read.
constexpr off_t kMaxFileBytes = 64 * 1024 * 1024;

struct FileDescriptorTraits {
    using Pointer = int;
    static Pointer Invalid() noexcept { return -1; }
    static void Close(Pointer value) noexcept { close(value); }
};
using UniqueFileDescriptor = UniqueHandle<FileDescriptorTraits>;

enum class FileRead { kRead, kMissing, kFailed };

FileRead ReadWholeFile(const std::string& path, std::vector<BYTE>& bytes)
{
    UniqueFileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) return errno == ENOENT || errno == ENOTDIR ? FileRead::kMissing : FileRead::kFailed;
    struct stat status {};
    if (fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > kMaxFileBytes) {
        return FileRead::kFailed;
    }
    bytes.resize(static_cast<std::size_t>(status.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = read(file.get(), bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return FileRead::kFailed;
        done += static_cast<std::size_t>(got);
    }
    return FileRead::kRead;
}

// File names are UTF-8 on Linux.
bool ToFileSystemPath(std::u16string_view path, std::string& out)
{
    bool usedDefault = false;
    return EncodeFromWide(CP_UTF8, path, '?', /*strict=*/true, out, usedDefault) && !usedDefault;
}

}  // namespace

std::u16string DirectoryOf(std::u16string_view path)
{
    const std::size_t separator = path.find_last_of(u"/\\");
    return separator == std::u16string_view::npos ? std::u16string() : std::u16string(path.substr(0, separator + 1));
}

HRESULT OpenTypeLibrary(std::span<const BYTE> bytes, std::u16string directory, ITypeLib** out) noexcept
{
    LibraryModel model;
    HRESULT hr = ReadMsftLibrary(bytes, model);
    if (FAILED(hr)) return hr;
    return TypeLibrary::Create(std::move(model), std::move(directory), out);
}

HRESULT LoadTypeLibraryFromPath(std::u16string_view path, ITypeLib** out) noexcept
{
    try {
        std::string fileSystemPath;
        std::vector<BYTE> bytes;
        if (!ToFileSystemPath(path, fileSystemPath)) return TYPE_E_CANTLOADLIBRARY;
        switch (ReadWholeFile(fileSystemPath, bytes)) {
        case FileRead::kRead:
            if (!IsMsftLibrary(bytes)) return TYPE_E_CANTLOADLIBRARY;
            return OpenTypeLibrary(bytes, DirectoryOf(path), out);
        case FileRead::kMissing:
        case FileRead::kFailed:
            return TYPE_E_CANTLOADLIBRARY;
        }
        return TYPE_E_CANTLOADLIBRARY;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace quenvar::platform

extern "C" HRESULT STDAPICALLTYPE LoadTypeLib(LPCOLESTR file, ITypeLib** typeLib)
{
    if (file == nullptr || typeLib == nullptr) return E_INVALIDARG;
    *typeLib = nullptr;
    DWORD error = 0;
    if (quenvar::platform::FaultInjected("LoadTypeLib", &error)) return static_cast<HRESULT>(error);
    return quenvar::platform::LoadTypeLibraryFromPath(file, typeLib);
}
