// LoadTypeLib: a type library file, a module file's TYPELIB resource 1, or "module\N" for its
// TYPELIB resource N.
#include "linux/typelib/LoadTypeLibrary.h"

#include "linux/kernel/CodePage.h"
#include "linux/edge/Boundary.h"
#include "linux/typelib/LoadedLibraries.h"
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

struct FileDescriptorTraits {
    using Pointer = int;
    static Pointer Invalid() noexcept { return -1; }
    static void Close(Pointer value) noexcept { close(value); }
};
using UniqueFileDescriptor = UniqueHandle<FileDescriptorTraits>;

constexpr UINT kDefaultResource = 1;

enum class FileKind { kTypeLibrary, kOther, kMissing, kUnreadable };

// Reads the file when it is a type library; only tells what it is otherwise.
FileKind ReadTypeLibraryFile(const std::string& path, std::vector<BYTE>& bytes)
{
    // Not blocking: opening a pipe that nobody writes would wait forever, before fstat can tell.
    UniqueFileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file) return errno == ENOENT || errno == ENOTDIR ? FileKind::kMissing : FileKind::kUnreadable;
    struct stat status {};
    if (fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) return FileKind::kUnreadable;
    BYTE head[4] = {};
    if (pread(file.get(), head, sizeof head, 0) != static_cast<ssize_t>(sizeof head) || !IsMsftLibrary(head)) {
        return FileKind::kOther;
    }
    // Too large to be read as a library: refused without reading it.
    if (static_cast<std::uint64_t>(status.st_size) > kMaxLibraryBytes) return FileKind::kUnreadable;
    bytes.resize(static_cast<std::size_t>(status.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = pread(file.get(), bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return FileKind::kUnreadable;
        done += static_cast<std::size_t>(got);
    }
    return FileKind::kTypeLibrary;
}

// Splits "module\N" into the module's path and N; false when the path does not end that way.
bool SplitResourceIndex(std::u16string_view path, std::u16string_view& module, UINT& index)
{
    const std::size_t separator = path.rfind(u'\\');
    if (separator == std::u16string_view::npos || separator + 1 == path.size() || path.size() - separator > 6) {
        return false;
    }
    UINT value = 0;
    for (char16_t c : path.substr(separator + 1)) {
        if (c < u'0' || c > u'9') return false;
        value = value * 10 + static_cast<UINT>(c - u'0');
    }
    if (value > 0xFFFF) return false;
    module = path.substr(0, separator);
    index = value;
    return true;
}

// The library in resource TYPELIB `index` of a module file.
HRESULT LoadFromModule(const std::u16string& path, UINT index, TypeLibrary** out)
{
    const UniqueModule module(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) return TYPE_E_CANTLOADLIBRARY;
    HRSRC resource = FindResourceA(module.get(), MAKEINTRESOURCEA(index), "TYPELIB");
    const void* data = resource != nullptr ? LockResource(LoadResource(module.get(), resource)) : nullptr;
    if (data == nullptr) return TYPE_E_CANTLOADLIBRARY;
    const DWORD size = SizeofResource(module.get(), resource);
    return OpenTypeLibrary(std::span(static_cast<const BYTE*>(data), size), DirectoryOf(path), out);
}

// Reads the library that `path` names; `fileName` is its file name.
HRESULT LoadFromFile(std::u16string_view path, const std::string& fileName, TypeLibrary** out)
{
    std::vector<BYTE> bytes;
    switch (ReadTypeLibraryFile(fileName, bytes)) {
    case FileKind::kTypeLibrary: return OpenTypeLibrary(bytes, DirectoryOf(path), out);
    case FileKind::kOther: return LoadFromModule(std::u16string(path), kDefaultResource, out);
    case FileKind::kMissing: {
        std::u16string_view module;
        UINT index = 0;
        if (!SplitResourceIndex(path, module, index)) return TYPE_E_CANTLOADLIBRARY;
        return LoadFromModule(std::u16string(module), index, out);
    }
    case FileKind::kUnreadable: return TYPE_E_CANTLOADLIBRARY;
    }
    return TYPE_E_CANTLOADLIBRARY;
}

// The identity of the module file of a "module\N" path.
bool IdentifyModuleOfResource(std::u16string_view path, FileIdentity& identity)
{
    std::u16string_view module;
    UINT index = 0;
    std::string fileName;
    return SplitResourceIndex(path, module, index) && WideToFileName(module, fileName) &&
           IdentifyFile(fileName, identity);
}

}  // namespace

std::u16string DirectoryOf(std::u16string_view path)
{
    const std::size_t separator = path.find_last_of(u"/\\");
    return separator == std::u16string_view::npos ? std::u16string() : std::u16string(path.substr(0, separator + 1));
}

HRESULT OpenTypeLibrary(std::span<const BYTE> bytes, std::u16string directory, TypeLibrary** out) noexcept
{
    LibraryModel model;
    HRESULT hr = ReadMsftLibrary(bytes, model);
    if (FAILED(hr)) return hr;
    return TypeLibrary::Create(std::move(model), std::move(directory), out);
}

HRESULT LoadTypeLibraryFromPath(std::u16string_view path, TypeLibrary** out) noexcept
{
    return Boundary(ReturnsHResult{}, [&]() -> HRESULT {
        static LoadedLibraries loaded;
        // Looked up by the path as given: a library found again costs no conversion and no copy.
        if (loaded.Find(path, out)) return S_OK;
        std::string fileName;
        if (!WideToFileName(path, fileName)) return TYPE_E_CANTLOADLIBRARY;
        // Taken before reading: a change in between makes the identity stale, never the library.
        FileIdentity identity;
        const bool identified = IdentifyFile(fileName, identity) || IdentifyModuleOfResource(path, identity);
        const HRESULT hr = LoadFromFile(path, fileName, out);
        if (SUCCEEDED(hr) && identified) loaded.Keep(path, identity, *out);
        return hr;
    });
}

}  // namespace quenvar::platform

extern "C" HRESULT STDAPICALLTYPE LoadTypeLib(LPCOLESTR file, ITypeLib** typeLib) noexcept
{
    if (file == nullptr || typeLib == nullptr) return E_INVALIDARG;
    *typeLib = nullptr;
    return quenvar::platform::Boundary("LoadTypeLib", quenvar::platform::ReturnsHResult{}, [&]() -> HRESULT {
        quenvar::platform::TypeLibrary* library = nullptr;
        const HRESULT hr = quenvar::platform::LoadTypeLibraryFromPath(file, &library);
        *typeLib = library;
        return hr;
    });
}
