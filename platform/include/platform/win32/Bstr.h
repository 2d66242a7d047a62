// BSTR: a UTF-16 string preceded by its byte length and followed by a NUL unit; a NULL BSTR
// reads as the empty string. Embedded NUL units are allowed.
#pragma once

#include "platform/win32/Types.h"

using BSTR = OLECHAR*;
using LPBSTR = BSTR*;

extern "C" {

// A copy up to the first NUL; NULL for NULL input or when out of memory.
BSTR STDAPICALLTYPE SysAllocString(const OLECHAR* source) noexcept;
// length units plus a NUL; copies length units (embedded NULs included) when source is not NULL,
// else leaves them uninitialised. NULL only when out of memory.
BSTR STDAPICALLTYPE SysAllocStringLen(const OLECHAR* source, UINT length) noexcept;
// A BSTR holding exactly length bytes of source (or uninitialised bytes when source is NULL).
BSTR STDAPICALLTYPE SysAllocStringByteLen(LPCSTR source, UINT length) noexcept;
// Frees the old string and stores a copy; FALSE (old string kept) when out of memory.
INT STDAPICALLTYPE SysReAllocString(BSTR* target, const OLECHAR* source) noexcept;
void STDAPICALLTYPE SysFreeString(BSTR text) noexcept;
UINT STDAPICALLTYPE SysStringLen(BSTR text) noexcept;
UINT STDAPICALLTYPE SysStringByteLen(BSTR text) noexcept;

}  // extern "C"
