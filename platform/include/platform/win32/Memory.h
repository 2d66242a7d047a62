// Memory services: private heaps, local memory and the COM task allocator.
#pragma once

#include "platform/win32/Types.h"

constexpr DWORD HEAP_NO_SERIALIZE = 0x1;
constexpr DWORD HEAP_GENERATE_EXCEPTIONS = 0x4;
constexpr DWORD HEAP_ZERO_MEMORY = 0x8;
constexpr DWORD HEAP_REALLOC_IN_PLACE_ONLY = 0x10;

constexpr UINT LMEM_FIXED = 0x0;
constexpr UINT LMEM_ZEROINIT = 0x40;
constexpr UINT LPTR = LMEM_FIXED | LMEM_ZEROINIT;

extern "C" {

// A growable private heap (maximumSize 0) that HeapDestroy releases with every block in it.
// Safe for concurrent use. HeapCreate fails with NULL and the last error.
HANDLE WINAPI HeapCreate(DWORD options, SIZE_T initialSize, SIZE_T maximumSize) noexcept;
BOOL WINAPI HeapDestroy(HANDLE heap) noexcept;
// NULL on failure, without setting the last error.
LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) noexcept;
// May move the block; on failure answers NULL and the old block stays valid.
LPVOID WINAPI HeapReAlloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T bytes) noexcept;
BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID block) noexcept;
SIZE_T WINAPI HeapSize(HANDLE heap, DWORD flags, LPCVOID block) noexcept;

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) noexcept;
// NULL on success.
HLOCAL WINAPI LocalFree(HLOCAL memory) noexcept;

LPVOID STDAPICALLTYPE CoTaskMemAlloc(SIZE_T bytes) noexcept;
LPVOID STDAPICALLTYPE CoTaskMemRealloc(LPVOID block, SIZE_T bytes) noexcept;
void STDAPICALLTYPE CoTaskMemFree(LPVOID block) noexcept;

}  // extern "C"
