// The module calls: loading a library to run or as a data file, unloading it, its exports and
// its file name.
#include "platform/Win32.h"

#include "linux/kernel/CodePage.h"
#include "linux/loader/DataFileModules.h"
#include "linux/loader/PeModules.h"
#include "linux/loader/SharedObjects.h"
#include "linux/edge/Boundary.h"
#include "linux/edge/WithLastError.h"

#include <algorithm>
#include <string>
#include <type_traits>

namespace {

using namespace quenvar::platform;

constexpr DWORD kDataFileFlags =
    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE;

HMODULE LoadModule(LPCSTR fileName, HANDLE reserved, DWORD flags)
{
    if (fileName == nullptr || *fileName == '\0' || reserved != nullptr || (flags & ~kDataFileFlags) != 0) {
        return WithLastError(ERROR_INVALID_PARAMETER, HMODULE{});
    }
    HMODULE module = nullptr;
    DWORD error = ERROR_SUCCESS;
    if ((flags & kDataFileFlags) != 0) {
        error = LoadDataFile(fileName, module);
    } else if (IsPeFile(fileName)) {
        error = LoadPeModule(fileName, module);
    } else {
        error = LoadSharedObject(fileName, module);
    }
    return error == ERROR_SUCCESS ? module : WithLastError(error, HMODULE{});
}

// A wide file name reaches the file system as UTF-8; one that cannot be written so names no file.
HMODULE LoadWideName(LPCWSTR fileName, HANDLE reserved, DWORD flags)
{
    if (fileName == nullptr || *fileName == u'\0') return WithLastError(ERROR_INVALID_PARAMETER, HMODULE{});
    std::string name;
    if (!WideToFileName(fileName, name)) {
        return WithLastError((flags & kDataFileFlags) != 0 ? ERROR_FILE_NOT_FOUND : ERROR_MOD_NOT_FOUND, HMODULE{});
    }
    return LoadModule(name.c_str(), reserved, flags);
}

// The path into the caller's buffer: cut to size - 1 characters and a NUL when it does not fit.
template <typename Char>
DWORD CopyFileName(const std::basic_string<Char>& path, Char* fileName, DWORD size)
{
    if (path.size() >= size) {
        if (size != 0) {
            std::copy_n(path.begin(), size - 1, fileName);
            fileName[size - 1] = Char();
        }
        return WithLastError(ERROR_INSUFFICIENT_BUFFER, size);
    }
    std::copy(path.begin(), path.end(), fileName);
    fileName[path.size()] = Char();
    return static_cast<DWORD>(path.size());
}

// GetModuleFileNameA and W: the file system's bytes as they are, or read as UTF-8.
template <typename Char>
DWORD ModuleFileName(HMODULE module, Char* fileName, DWORD size)
{
    if (fileName == nullptr && size != 0) return WithLastError(ERROR_INVALID_PARAMETER, 0);
    std::string path;
    if (IsDataFileHandle(module) || !LoadedModulePath(module, path)) return WithLastError(ERROR_MOD_NOT_FOUND, 0);
    if constexpr (std::is_same_v<Char, char>) {
        return CopyFileName(path, fileName, size);
    } else {
        return CopyFileName(FileNameToWide(path), fileName, size);
    }
}

}  // namespace

extern "C" {

HMODULE WINAPI LoadLibraryA(LPCSTR fileName) noexcept
{
    return Boundary("LoadLibraryA", SetsLastError<HMODULE>{nullptr},
                    [&]() -> HMODULE { return LoadModule(fileName, nullptr, 0); });
}

HMODULE WINAPI LoadLibraryExA(LPCSTR fileName, HANDLE reserved, DWORD flags) noexcept
{
    return Boundary("LoadLibraryExA", SetsLastError<HMODULE>{nullptr},
                    [&]() -> HMODULE { return LoadModule(fileName, reserved, flags); });
}

HMODULE WINAPI LoadLibraryExW(LPCWSTR fileName, HANDLE reserved, DWORD flags) noexcept
{
    return Boundary("LoadLibraryExW", SetsLastError<HMODULE>{nullptr},
                    [&]() -> HMODULE { return LoadWideName(fileName, reserved, flags); });
}

BOOL WINAPI GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module) noexcept
{
    if (module != nullptr) *module = nullptr;
    return Boundary("GetModuleHandleExA", SetsLastError<BOOL>{FALSE}, [&]() -> BOOL {
        constexpr DWORD kKnownFlags = GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT |
                                      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS;
        const bool pin = (flags & GET_MODULE_HANDLE_EX_FLAG_PIN) != 0;
        const bool unchanged = (flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT) != 0;
        if (module == nullptr || (flags & ~kKnownFlags) != 0 || (pin && unchanged)) {
            return WithLastError(ERROR_INVALID_PARAMETER, FALSE);
        }
        const ModuleReference reference = pin         ? ModuleReference::Pin
                                          : unchanged ? ModuleReference::Unchanged
                                                      : ModuleReference::Add;
        const bool fromAddress = (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) != 0;
        if (const HMODULE windowsDll = fromAddress ? PeModuleAt(moduleName) : nullptr) {
            if (reference != ModuleReference::Unchanged) AddPeModuleReference(windowsDll);
            *module = windowsDll;
            return TRUE;
        }
        const DWORD error = FindLoadedModule(moduleName, fromAddress, reference, *module);
        if (error == ERROR_SUCCESS) return TRUE;
        return WithLastError(error, FALSE);
    });
}

BOOL WINAPI FreeLibrary(HMODULE module) noexcept
{
    const DWORD error = IsDataFileHandle(module) ? FreeDataFile(module)
                        : IsPeModule(module)     ? FreePeModule(module)
                                                 : FreeSharedObject(module);
    if (error == ERROR_SUCCESS) return TRUE;
    return WithLastError(error, FALSE);
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) noexcept
{
    // As a plain pointer inside: a template argument would drop FARPROC's calling convention.
    void* const symbol = Boundary("GetProcAddress", SetsLastError<void*>{nullptr}, [&]() -> void* {
        if (IsDataFileHandle(module)) return WithLastError(ERROR_INVALID_HANDLE, nullptr);
        // Exports are found by name only; the loader keeps no ordinals.
        if (IS_INTRESOURCE(procName)) return WithLastError(ERROR_PROC_NOT_FOUND, nullptr);
        DWORD error = ERROR_SUCCESS;
        void* found = IsPeModule(module) ? FindPeExport(module, procName, error) : FindExport(module, procName, error);
        if (found == nullptr) return WithLastError(error, nullptr);
        return found;
    });
    return reinterpret_cast<FARPROC>(symbol);
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) noexcept
{
    return Boundary("GetModuleFileNameA", SetsLastError<DWORD>{0},
                    [&]() -> DWORD { return ModuleFileName(module, fileName, size); });
}

DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) noexcept
{
    return Boundary("GetModuleFileNameW", SetsLastError<DWORD>{0},
                    [&]() -> DWORD { return ModuleFileName(module, fileName, size); });
}

}  // extern "C"
