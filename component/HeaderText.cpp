#include "component/HeaderText.h"

namespace quenvar {

HeaderText::HeaderText(const char* text) noexcept : text_(text)
{
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info)) return;
    for (UINT i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
        if (!anyLeadByte_) leadBytes_.fill(false);
        for (UINT b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b) leadBytes_[b] = true;
        anyLeadByte_ = true;
    }
}

const char* HeaderText::Find(std::string_view pattern) const noexcept
{
    if (text_.empty()) return nullptr;
    // Without lead bytes every byte starts a character, and the library's search is exact.
    if (!anyLeadByte_) {
        const std::size_t at = text_.find(pattern);
        return at == std::string_view::npos ? nullptr : text_.data() + at;
    }
    for (std::size_t at = 0; at < text_.size(); at = Next(at)) {
        if (text_.substr(at, pattern.size()) == pattern) return text_.data() + at;
    }
    return nullptr;
}

const char* HeaderText::FindCharacter(const char* from, char wanted) const noexcept
{
    const std::size_t start = static_cast<std::size_t>(from - text_.data());
    if (!anyLeadByte_) {
        const std::size_t at = text_.find(wanted, start);
        return at == std::string_view::npos ? nullptr : text_.data() + at;
    }
    for (std::size_t at = start; at < text_.size(); at = Next(at)) {
        if (text_[at] == wanted) return text_.data() + at;
    }
    return nullptr;
}

}  // namespace quenvar
