#include "linux/registry/AnsiText.h"

#include "linux/kernel/CodePage.h"

namespace quenvar::platform {

std::u16string AnsiToWide(std::string_view ansi)
{
    std::u16string wide;
    wide.reserve(ansi.size());
    DecodeToWide(AnsiCodePage(), ansi, /*strict=*/false, wide);
    return wide;
}

std::string WideToAnsi(std::u16string_view wide)
{
    std::string ansi;
    ansi.reserve(wide.size());
    bool usedDefault = false;
    EncodeFromWide(AnsiCodePage(), wide, '?', /*strict=*/false, ansi, usedDefault);
    return ansi;
}

}  // namespace quenvar::platform
