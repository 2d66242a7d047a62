#include "linux/registry/KeyNames.h"

namespace quenvar::platform {
namespace {

// Upper case for the scripts the supported ANSI code pages reach: Latin-1 and Latin
// Extended-A (1252), Greek, Cyrillic and the full-width Latin letters (932).
char16_t UpperCase(char16_t c)
{
    if (c < 0x80) return c >= u'a' && c <= u'z' ? c - 0x20 : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    if (c == 0xFF) return 0x178;
    const bool evenUpper = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((evenUpper && (c & 1) == 1) || (oddUpper && (c & 1) == 0)) return c - 1;
    if (c == 0x3C2) return 0x3A3;
    if ((c >= 0x3B1 && c <= 0x3CB) || (c >= 0x430 && c <= 0x44F) || (c >= 0xFF41 && c <= 0xFF5A)) return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

}  // namespace

std::u16string FoldName(std::u16string_view name)
{
    std::u16string folded(name);
    for (char16_t& c : folded) c = UpperCase(c);
    return folded;
}

DWORD SplitKeyPath(std::u16string wide, std::vector<std::u16string>& names)
{
    names.clear();
    if (!wide.empty() && wide.back() == u'\\') wide.pop_back();
    if (wide.empty()) return ERROR_SUCCESS;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = wide.find(u'\\', start);
        const std::u16string_view name = std::u16string_view(wide).substr(start, end - start);
        if (name.empty() || name.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
        names.emplace_back(name);
        if (end == std::u16string::npos) return ERROR_SUCCESS;
        start = end + 1;
    }
}

}  // namespace quenvar::platform
