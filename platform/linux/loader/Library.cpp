// The module calls: loading a library to run or as a data file, unloading it, its exports and
// its file name.
#include "platform/Win32.h"

#include "linux/kernel/CodePage.h"
#include "linux/loader/DataFileModules.h"
#include "linux/loader/SharedObjects.h"
#include "linux/edge/FaultGate.h"

#include <algorithm>
#include <exception>
#include <string>
#include <type_traits>

namespace {

using namespace quenvar::platform;

constexpr DWORD kDataFileFlags =
    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE;

HMODULE Fail(DWORD error)
{
    SetLastError(error);
    return nullptr;
}

HMODULE LoadModule(LPCSTR fileName, HANDLE reserved, DWORD flags) noexcept
{
    if (fileName == nullptr || *fileName == '\0' || reserved != nullptr || (flags & ~kDataFileFlags) != 0) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    try {
        HMODULE module = nullptr;
        const DWORD error =
            (flags & kDataFileFlags) != 0 ? LoadDataFile(fileName, module) : LoadSharedObject(fileName, module);
        return error == ERROR_SUCCESS ? module : Fail(error);
    } catch (const std::exception&) {
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
}

// A wide file name reaches the file system as UTF-8; one that cannot be written so names no file.
HMODULE LoadWideName(LPCWSTR fileName, HANDLE reserved, DWORD flags) noexcept
{
    if (fileName == nullptr || *fileName == u'\0') return Fail(ERROR_INVALID_PARAMETER);
    try {
        std::string name;
        if (!WideToFileName(fileName, name))
            return Fail((flags & kDataFileFlags) != 0 ? ERROR_FILE_NOT_FOUND : ERROR_MOD_NOT_FOUND);
        return LoadModule(name.c_str(), reserved, flags);
    } catch (const std::exception&) {
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
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
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::copy(path.begin(), path.end(), fileName);
    fileName[path.size()] = Char();
    return static_cast<DWORD>(path.size());
}

// GetModuleFileNameA and W: the file system's bytes as they are, or read as UTF-8.
template <typename Char>
DWORD ModuleFileName(const char* function, HMODULE module, Char* fileName, DWORD size) noexcept
{
    DWORD error = ERROR_SUCCESS;
    if (FaultInjected(function, &error)) {
        SetLastError(error);
        return 0;
    }
    if (fileName == nullptr && size != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    try {
        std::string path;
        if (IsDataFileHandle(module) || !LoadedModulePath(module, path)) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        if constexpr (std::is_same_v<Char, char>) {
            return CopyFileName(path, fileName, size);
        } else {
            return CopyFileName(FileNameToWide(path), fileName, size);
        }
    } catch (const std::exception&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

}  // namespace

extern "C" {

HMODULE WINAPI LoadLibraryA(LPCSTR fileName)
{
    DWORD error = ERROR_SUCCESS;
    if (FaultInjected("LoadLibraryA", &error)) return Fail(error);
    return LoadModule(fileName, nullptr, 0);
}

HMODULE WINAPI LoadLibraryExA(LPCSTR fileName, HANDLE reserved, DWORD flags)
{
    DWORD error = ERROR_SUCCESS;
    if (FaultInjected("LoadLibraryExA", &error)) return Fail(error);
    return LoadModule(fileName, reserved, flags);
}

HMODULE WINAPI LoadLibraryExW(LPCWSTR fileName, HANDLE reserved, DWORD flags)
{
    DWORD error = ERROR_SUCCESS;
    if (FaultInjected("LoadLibraryExW", &error)) return Fail(error);
    return LoadWideName(fileName, reserved, flags);
}

BOOL WINAPI GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module)
{
    constexpr DWORD kKnownFlags = GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT |
                                  GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS;
    const bool pin = (flags & GET_MODULE_HANDLE_EX_FLAG_PIN) != 0;
    const bool unchanged = (flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT) != 0;
    if (module != nullptr) *module = nullptr;
    if (module == nullptr || (flags & ~kKnownFlags) != 0 || (pin && unchanged)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const ModuleReference reference = pin         ? ModuleReference::Pin
                                      : unchanged ? ModuleReference::Unchanged
                                                  : ModuleReference::Add;
    const bool fromAddress = (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) != 0;
    try {
        const DWORD error = FindLoadedModule(moduleName, fromAddress, reference, *module);
        if (error == ERROR_SUCCESS) return TRUE;
        SetLastError(error);
    } catch (const std::exception&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return FALSE;
}

BOOL WINAPI FreeLibrary(HMODULE module)
{
    const DWORD error = IsDataFileHandle(module) ? FreeDataFile(module) : FreeSharedObject(module);
    if (error == ERROR_SUCCESS) return TRUE;
    SetLastError(error);
    return FALSE;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName)
{
    DWORD error = ERROR_SUCCESS;
    if (FaultInjected("GetProcAddress", &error)) {
        SetLastError(error);
        return nullptr;
    }
    if (IsDataFileHandle(module)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // Exports are found by name only; the loader keeps no ordinals.
    if (IS_INTRESOURCE(procName)) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void* symbol = FindExport(module, procName, error);
    if (symbol == nullptr) SetLastError(error);
    return reinterpret_cast<FARPROC>(symbol);
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
    return ModuleFileName("GetModuleFileNameA", module, fileName, size);
}

DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size)
{
    return ModuleFileName("GetModuleFileNameW", module, fileName, size);
}

}  // extern "C"
