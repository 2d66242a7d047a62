// The terminal speaks UTF-8, COM speaks UTF-16.
#pragma once

#include "platform/UniqueHandle.h"

#include <string>
#include <string_view>

namespace quenvar::tools {

// Invalid sequences in either direction become the replacement character.
[[nodiscard]] std::string Utf8FromWide(std::u16string_view wide);
[[nodiscard]] std::u16string WideFromUtf8(std::string_view text);
// The same conversion straight into a new BSTR, whole (a NUL included); null when out of memory.
[[nodiscard]] UniqueBstr BstrFromUtf8(std::string_view text);

// The whole BSTR, embedded NULs included; "" for a null BSTR.
[[nodiscard]] inline std::string Utf8FromBstr(BSTR text)
{
    return Utf8FromWide(std::u16string_view(text, SysStringLen(text)));
}

}  // namespace quenvar::tools
