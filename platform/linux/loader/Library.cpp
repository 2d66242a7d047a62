// The module calls: loading a library to run or as a data file, unloading it, its exports and
// its file name.
#include "platform/Win32.h"

#include "linux/loader/DataFileModules.h"
#include "linux/loader/SharedObjects.h"
#include "linux/edge/Boundary.h"

#include <cstring>

namespace {

using namespace quenvar::platform;

constexpr DWORD kDataFileFlags =
    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE;

HMODULE Fail(DWORD error)
{
    SetLastError(error);
    return nullptr;
}

HMODULE LoadModule(LPCSTR fileName, HANDLE reserved, DWORD flags)
{
    if (fileName == nullptr || *fileName == '\0' || reserved != nullptr || (flags & ~kDataFileFlags) != 0) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    HMODULE module = nullptr;
    const DWORD error =
        (flags & kDataFileFlags) != 0 ? LoadDataFile(fileName, module) : LoadSharedObject(fileName, module);
    return error == ERROR_SUCCESS ? module : Fail(error);
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

BOOL WINAPI GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module) noexcept
{
    if (module != nullptr) *module = nullptr;
    return Boundary("GetModuleHandleExA", SetsLastError<BOOL>{FALSE}, [&]() -> BOOL {
        constexpr DWORD kKnownFlags = GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT |
                                      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS;
        const bool pin = (flags & GET_MODULE_HANDLE_EX_FLAG_PIN) != 0;
        const bool unchanged = (flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT) != 0;
        if (module == nullptr || (flags & ~kKnownFlags) != 0 || (pin && unchanged)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const ModuleReference reference = pin         ? ModuleReference::Pin
                                          : unchanged ? ModuleReference::Unchanged
                                                      : ModuleReference::Add;
        const bool fromAddress = (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) != 0;
        const DWORD error = FindLoadedModule(moduleName, fromAddress, reference, *module);
        if (error == ERROR_SUCCESS) return TRUE;
        SetLastError(error);
        return FALSE;
    });
}

BOOL WINAPI FreeLibrary(HMODULE module) noexcept
{
    const DWORD error = IsDataFileHandle(module) ? FreeDataFile(module) : FreeSharedObject(module);
    if (error == ERROR_SUCCESS) return TRUE;
    SetLastError(error);
    return FALSE;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) noexcept
{
    return Boundary("GetProcAddress", SetsLastError<FARPROC>{nullptr}, [&]() -> FARPROC {
        if (IsDataFileHandle(module)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        // Exports are found by name only; the loader keeps no ordinals.
        if (IS_INTRESOURCE(procName)) {
            SetLastError(ERROR_PROC_NOT_FOUND);
            return nullptr;
        }
        DWORD error = ERROR_SUCCESS;
        void* symbol = FindExport(module, procName, error);
        if (symbol == nullptr) SetLastError(error);
        return reinterpret_cast<FARPROC>(symbol);
    });
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) noexcept
{
    return Boundary("GetModuleFileNameA", SetsLastError<DWORD>{0}, [&]() -> DWORD {
        if (fileName == nullptr && size != 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        std::string path;
        if (IsDataFileHandle(module) || !LoadedModulePath(module, path)) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        if (path.size() >= size) {
            if (size != 0) {
                std::memcpy(fileName, path.data(), size - 1);
                fileName[size - 1] = '\0';
            }
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return size;
        }
        std::memcpy(fileName, path.c_str(), path.size() + 1);
        return static_cast<DWORD>(path.size());
    });
}

}  // extern "C"
