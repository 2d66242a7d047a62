// dlopen behind the module handles: every LoadLibrary is one dlopen and every FreeLibrary one
// dlclose, so the loader's own count decides when a library is unmapped.
#include "linux/loader/SharedObjects.h"

#include "linux/loader/PeModules.h"

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <fstream>
#include <link.h>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace quenvar::platform {
namespace {

struct LoadedLibrary {
    HMODULE module;
    void* handle;  // the loader's
    LONG loads;
    LoadedLibrary* next;
};

std::mutex librariesLock;
LoadedLibrary* libraries = nullptr;

LoadedLibrary* FindLibrary(HMODULE module)
{
    for (LoadedLibrary* library = libraries; library != nullptr; library = library->next) {
        if (library->module == module) return library;
    }
    return nullptr;
}

// The start of the object's first mapping, as dladdr reports it for any address inside it.
HMODULE LoadAddress(void* handle)
{
    link_map* map = nullptr;
    Dl_info info;
    if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return nullptr;
    if (::dladdr(map->l_ld, &info) == 0) return nullptr;
    return static_cast<HMODULE>(info.dli_fbase);
}

// Whether a file that the loader refused is an object for this process at all (the class, byte
// order and machine of the platform library's own ELF header, mapped at its load address): one
// that is but needs something missing is "not found", anything else is a bad format.
bool IsNativeObject(LPCSTR fileName)
{
    constexpr std::size_t kIdentity = EI_NIDENT + 4;  // e_ident, e_type, e_machine
    Dl_info own;
    if (::dladdr(reinterpret_cast<void*>(&IsNativeObject), &own) == 0) return true;
    const int descriptor = ::open(fileName, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) return true;
    unsigned char header[kIdentity] = {};
    const ssize_t got = ::read(descriptor, header, sizeof header);
    ::close(descriptor);
    const auto* ownHeader = static_cast<const unsigned char*>(own.dli_fbase);
    return got == static_cast<ssize_t>(kIdentity) && std::memcmp(header, ELFMAG, SELFMAG) == 0 &&
           header[EI_CLASS] == ownHeader[EI_CLASS] && header[EI_DATA] == ownHeader[EI_DATA] &&
           std::memcmp(header + EI_NIDENT + 2, ownHeader + EI_NIDENT + 2, 2) == 0;
}

bool ModuleAt(HMODULE module, Dl_info& info)
{
    return module != nullptr && ::dladdr(module, &info) != 0 && info.dli_fbase == module;
}

// The kernel's name of the file mapped at `start`: absolute, whatever path the loader was given.
bool MappedFilePath(const void* start, std::string& path)
{
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        unsigned long from = 0;
        int pathOffset = 0;
        if (std::sscanf(line.c_str(), "%lx-%*x %*s %*s %*s %*s %n", &from, &pathOffset) < 1) continue;
        if (from != reinterpret_cast<ULONG_PTR>(start) || pathOffset == 0 || line[pathOffset] != '/') continue;
        path = line.substr(static_cast<std::size_t>(pathOffset));
        return true;
    }
    return false;
}

bool ExecutablePath(std::string& path)
{
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<std::size_t>(length) == sizeof buffer) return false;
    path.assign(buffer, static_cast<std::size_t>(length));
    return true;
}

// Records one more load of the library behind the loader's `handle`, whose dlclose is now
// FreeSharedObject's to make.
DWORD Remember(void* handle, HMODULE& module)
{
    const HMODULE loaded = LoadAddress(handle);
    if (loaded == nullptr) {
        ::dlclose(handle);
        return ERROR_MOD_NOT_FOUND;
    }
    auto record = std::make_unique<LoadedLibrary>(LoadedLibrary{loaded, handle, 1, nullptr});
    std::lock_guard guard(librariesLock);
    if (LoadedLibrary* library = FindLibrary(loaded)) {
        ++library->loads;
    } else {
        record->next = libraries;
        libraries = record.release();
    }
    module = loaded;
    return ERROR_SUCCESS;
}

}  // namespace

DWORD LoadSharedObject(LPCSTR fileName, HMODULE& module)
{
    void* handle = ::dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const bool hasPath = std::strchr(fileName, '/') != nullptr;
        return hasPath && ::access(fileName, F_OK) == 0 && !IsNativeObject(fileName) ? ERROR_BAD_EXE_FORMAT
                                                                                     : ERROR_MOD_NOT_FOUND;
    }
    return Remember(handle, module);
}

DWORD FindLoadedModule(LPCSTR nameOrAddress, bool fromAddress, ModuleReference reference, HMODULE& module)
{
    void* handle = nullptr;
    const int pin = reference == ModuleReference::Pin ? RTLD_NODELETE : 0;
    if (fromAddress) {
        Dl_info info;
        if (::dladdr(nameOrAddress, &info) == 0 || info.dli_fbase == nullptr) return ERROR_MOD_NOT_FOUND;
        handle = ::dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | pin);
        // The executable may be known to the loader only by the name it was started with.
        if (handle == nullptr) handle = ::dlopen(nullptr, RTLD_LAZY);
        if (handle == nullptr || LoadAddress(handle) != info.dli_fbase) {
            if (handle != nullptr) ::dlclose(handle);
            return ERROR_MOD_NOT_FOUND;
        }
    } else {
        handle = nameOrAddress == nullptr ? ::dlopen(nullptr, RTLD_LAZY)
                                          : ::dlopen(nameOrAddress, RTLD_LAZY | RTLD_NOLOAD | pin);
        if (handle == nullptr) return ERROR_MOD_NOT_FOUND;
    }
    if (reference == ModuleReference::Add) return Remember(handle, module);
    module = LoadAddress(handle);
    ::dlclose(handle);
    return module != nullptr ? ERROR_SUCCESS : ERROR_MOD_NOT_FOUND;
}

DWORD FreeSharedObject(HMODULE module)
{
    std::unique_ptr<LoadedLibrary> unloaded;
    void* handle = nullptr;
    {
        std::lock_guard guard(librariesLock);
        LoadedLibrary* library = FindLibrary(module);
        if (library == nullptr) return ERROR_INVALID_HANDLE;
        handle = library->handle;
        if (--library->loads == 0) {
            for (LoadedLibrary** link = &libraries; *link != nullptr; link = &(*link)->next) {
                if (*link == library) {
                    *link = library->next;
                    break;
                }
            }
            unloaded.reset(library);
        }
    }
    ::dlclose(handle);
    return ERROR_SUCCESS;
}

void* FindExport(HMODULE module, LPCSTR name, DWORD& error)
{
    void* handle = nullptr;
    {
        std::lock_guard guard(librariesLock);
        const LoadedLibrary* library = FindLibrary(module);
        if (library == nullptr) {
            error = ERROR_MOD_NOT_FOUND;
            return nullptr;
        }
        handle = library->handle;
    }
    // dlsym also searches the libraries this one depends on; only the module's own symbol counts.
    void* symbol = ::dlsym(handle, name);
    Dl_info info;
    if (symbol == nullptr || ::dladdr(symbol, &info) == 0 || info.dli_fbase != module) {
        error = ERROR_PROC_NOT_FOUND;
        return nullptr;
    }
    return symbol;
}

bool LoadedModulePath(HMODULE module, std::string& path)
{
    if (module == nullptr) return ExecutablePath(path);
    if (PeModulePath(module, path)) return true;
    Dl_info info;
    if (!ModuleAt(module, info)) return false;
    if (info.dli_fname != nullptr && info.dli_fname[0] == '/') {
        path = info.dli_fname;
        return true;
    }
    return MappedFilePath(module, path);
}

}  // namespace quenvar::platform
