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
HANDLE WINAPI HeapCreate(DWORD options, SIZE_T initialSize, SIZE_T maximumSize);
BOOL WINAPI HeapDestroy(HANDLE heap);
// NULL on failure, without setting the last error.
LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
// May move the block; on failure answers NULL and the old block stays valid.
LPVOID WINAPI HeapReAlloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T bytes);
BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID block);
SIZE_T WINAPI HeapSize(HANDLE heap, DWORD flags, LPCVOID block);

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes);
// NULL on success.
HLOCAL WINAPI LocalFree(HLOCAL memory);

LPVOID STDAPICALLTYPE CoTaskMemAlloc(SIZE_T bytes);
LPVOID STDAPICALLTYPE CoTaskMemRealloc(LPVOID block, SIZE_T bytes);
void STDAPICALLTYPE CoTaskMemFree(LPVOID block);

}  // extern "C"
