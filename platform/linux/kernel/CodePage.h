// Conversions between the supported code pages and UTF-16, shared by the code-page services and
// the double-byte stepping of CharNextA, and the platform's one conversion layer: text at every
// ANSI edge (registry, type libraries, modules) goes through AnsiToWide and WideToAnsi, and a
// UTF-16 file name reaches the file system through WideToFileName.
#pragma once

#include "platform/Win32.h"

#include <string>
#include <string_view>

namespace quenvar::platform {

// The process's ANSI code page: 1252 or 932.
UINT AnsiCodePage();
// CP_ACP and CP_OEMCP become the ANSI code page; 0 for a code page that is not supported.
UINT ResolveCodePage(UINT codePage);
// Shift-JIS lead bytes as GetCPInfo reports them: two inclusive ranges.
inline constexpr BYTE kCp932LeadByteRanges[] = {0x81, 0x9F, 0xE0, 0xFC};
bool IsLeadByte(UINT codePage, BYTE value);

// false when the input holds a sequence invalid in the code page and `strict` is set; otherwise
// such sequences become the code page's replacement character.
bool DecodeToWide(UINT codePage, std::string_view bytes, bool strict, std::u16string& wide);
// Characters the code page cannot hold become `defaultChar`; `usedDefault` tells whether any did.
bool EncodeFromWide(UINT codePage, std::u16string_view wide, char defaultChar, bool strict, std::string& bytes,
                    bool& usedDefault);

// Bytes the ANSI code page cannot decode become its replacement character.
std::u16string AnsiToWide(std::string_view ansi);
// Characters the ANSI code page cannot hold become '?'.
std::string WideToAnsi(std::u16string_view wide);

// Linux file names are UTF-8 bytes. A name that is not valid UTF-8 reads with U+FFFD in place of
// each invalid byte.
std::u16string FileNameToWide(std::string_view fileName);
// false for text that can name no file: a lone surrogate or a NUL.
[[nodiscard]] bool WideToFileName(std::u16string_view wide, std::string& fileName);

}  // namespace quenvar::platform
