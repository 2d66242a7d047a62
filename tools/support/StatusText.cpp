#include "tools/support/StatusText.h"

#include <cstdio>

namespace quenvar::tools {

std::string MessageText(DWORD code, const std::string& insert)
{
    char buffer[1024];
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        buffer, sizeof buffer, nullptr);
    std::string text(buffer, length);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    if (const std::size_t at = text.find("%1"); at != std::string::npos) text.replace(at, 2, insert);
    return text;
}

std::string DescribeStatus(DWORD code, const std::string& insert)
{
    char number[16];
    std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(code));
    const std::string text = MessageText(code, insert);
    return text.empty() ? "error " + std::string(number) : text + " (" + number + ")";
}

}  // namespace quenvar::tools
