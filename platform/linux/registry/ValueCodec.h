// Value data between its ANSI form, in which the A calls take and give it, and its stored form:
// the string types (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) are kept in UTF-16LE like the platform
// keeps them, every other type as the bytes given.
#pragma once

#include "platform/Win32.h"

#include <vector>

namespace quenvar::platform {

bool IsStringType(DWORD type);

// The stored form of RegSetValueExA's data. A REG_SZ or REG_EXPAND_SZ given without its
// terminating NUL gets one; empty data stays empty.
std::vector<BYTE> EncodeValueData(DWORD type, const BYTE* data, DWORD size);
// The stored form of RegSetValueExW's data: as given, a REG_SZ or REG_EXPAND_SZ given without
// its terminating NUL getting one.
std::vector<BYTE> EncodeWideValueData(DWORD type, const BYTE* data, DWORD size);

// The ANSI form of stored data, as the query and enumeration calls hand it out.
std::vector<BYTE> DecodeValueData(DWORD type, const std::vector<BYTE>& stored);

}  // namespace quenvar::platform
