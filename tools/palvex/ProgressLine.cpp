#include "tools/palvex/ProgressLine.h"

#include "platform/Win32.h"

#include <iostream>

namespace quenvar::tools {
namespace {

bool StandardErrorIsTerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != FALSE;
}

}  // namespace

ProgressLine::ProgressLine(std::size_t total)
    : enabled_(total >= kProgressMinimumHosts && StandardErrorIsTerminal()), total_(total)
{
}

void ProgressLine::Update(std::size_t finished)
{
    if (!enabled_) return;
    const std::string text = "palvex: " + std::to_string(finished) + "/" + std::to_string(total_) + " hosts";
    std::cerr << '\r' << text << std::flush;
    shown_ = text.size();
}

void ProgressLine::Clear()
{
    if (!enabled_ || shown_ == 0) return;
    std::cerr << '\r' << std::string(shown_, ' ') << '\r' << std::flush;
    shown_ = 0;
}

}  // namespace quenvar::tools
