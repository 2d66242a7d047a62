// Modules and their resources. A loaded module's handle is its load address; a module loaded as a
// data file is only a view of its resources (no code runs) and its handle has the low bit set.
// Resources are those of the compiled resource file (.res) that a module carries in its ELF
// section ".rsrc". File names: the A forms take and give the file system's bytes unchanged, the W
// forms UTF-16 that the file system holds as UTF-8.
#pragma once

#include "platform/win32/Types.h"

using FARPROC = INT_PTR(WINAPI*)();

constexpr DWORD LOAD_LIBRARY_AS_DATAFILE = 0x2;
constexpr DWORD LOAD_LIBRARY_AS_IMAGE_RESOURCE = 0x20;
constexpr DWORD LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE = 0x40;

constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_PIN = 0x1;
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT = 0x2;
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS = 0x4;

// An integer resource name or type travels as a pointer value below 0x10000.
#define MAKEINTRESOURCEA(id) (reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(id))))
#define IS_INTRESOURCE(resource) ((reinterpret_cast<ULONG_PTR>(resource) >> 16) == 0)

#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_RCDATA MAKEINTRESOURCEA(10)
#define RT_VERSION MAKEINTRESOURCEA(16)

extern "C" {

// The absolute path of a loaded module (NULL: the executable), without the NUL. When it does not
// fit, size - 1 characters and a NUL are written, the answer is `size` and the last error is
// ERROR_INSUFFICIENT_BUFFER. 0 and ERROR_MOD_NOT_FOUND for a handle that is not a loaded module
// (data-file handles included), buffer untouched.
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) noexcept;
// As GetModuleFileNameA, in UTF-16 characters: the file system's UTF-8 name read as UTF-16.
DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) noexcept;

// Loads a shared library and answers its load address; ERROR_MOD_NOT_FOUND for a library (or a
// library it needs) that cannot be found, ERROR_BAD_EXE_FORMAT for a file that is not one.
HMODULE WINAPI LoadLibraryA(LPCSTR fileName) noexcept;
// Without flags as LoadLibraryA. With LOAD_LIBRARY_AS_DATAFILE (or the image-resource and
// exclusive forms) the file is only read: ERROR_FILE_NOT_FOUND when it is missing,
// ERROR_FILE_INVALID when it is empty, ERROR_BAD_EXE_FORMAT when it is not a well-formed ELF
// file or carries a malformed ".rsrc". `reserved` must be NULL.
HMODULE WINAPI LoadLibraryExA(LPCSTR fileName, HANDLE reserved, DWORD flags) noexcept;
// As LoadLibraryExA, the name written to the file system as UTF-8. A name that UTF-8 cannot
// hold (a lone surrogate) names no file: ERROR_FILE_NOT_FOUND, or ERROR_MOD_NOT_FOUND without
// the data-file flags.
HMODULE WINAPI LoadLibraryExW(LPCWSTR fileName, HANDLE reserved, DWORD flags) noexcept;
// The handle of a module already loaded, named like LoadLibraryA (NULL: the executable) or, with
// GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, by any address inside it. Unless the refcount flag
// says otherwise the caller owns one load and frees it with FreeLibrary; a pinned module is never
// unloaded. FALSE with ERROR_MOD_NOT_FOUND, *module NULL, when there is no such module.
BOOL WINAPI GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module) noexcept;
// Undoes one load; the library is unloaded (or the data file released) after the last one.
BOOL WINAPI FreeLibrary(HMODULE module) noexcept;
// An exported function of the module itself (not of the libraries it uses); NULL with
// ERROR_PROC_NOT_FOUND when it has none of that name, ERROR_INVALID_HANDLE for a data file.
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) noexcept;

// Names and types are integers (MAKEINTRESOURCEA, or text "#101") or texts compared without
// regard to case. Only modules loaded as data files carry resources here: a module without
// ".rsrc" (or a loaded library) answers ERROR_RESOURCE_DATA_NOT_FOUND, a missing type
// ERROR_RESOURCE_TYPE_NOT_FOUND, a missing name ERROR_RESOURCE_NAME_NOT_FOUND.
HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) noexcept;
// The resource's data inside the module's image, valid until FreeLibrary; not NUL-terminated.
HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource) noexcept;
LPVOID WINAPI LockResource(HGLOBAL resourceData) noexcept;
// The exact data size; 0 with ERROR_INVALID_HANDLE for a resource that is not the module's.
DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource) noexcept;

}  // extern "C"
