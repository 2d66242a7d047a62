#include "tools/palvex/TextList.h"

#include <algorithm>
#include <cstring>

namespace quenvar::tools {

void TextList::Append(std::string_view text)
{
    const std::size_t length = text.size();
    const std::size_t needed = sizeof length + length;
    // A text longer than a block gets a block of its own size.
    if (blocks_.empty() || blocks_.back().size() + needed > blocks_.back().capacity()) {
        blocks_.emplace_back().reserve(std::max(kBlockBytes, needed));
    }
    blocks_.back().append(reinterpret_cast<const char*>(&length), sizeof length).append(text);
    ++count_;
}

bool TextList::Cursor::Next(std::string_view& text)
{
    if (block_ < list_.blocks_.size() && offset_ == list_.blocks_[block_].size()) {
        ++block_;
        offset_ = 0;
    }
    if (block_ == list_.blocks_.size()) return false;
    const std::string& block = list_.blocks_[block_];
    std::size_t length = 0;
    std::memcpy(&length, block.data() + offset_, sizeof length);
    text = std::string_view(block).substr(offset_ + sizeof length, length);
    offset_ += sizeof length + length;
    return true;
}

}  // namespace quenvar::tools
