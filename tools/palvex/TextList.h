// Texts appended one after another and read back in order. They are kept in blocks of a fixed
// size, so that many thousands of short texts cost little more than their characters and growing
// never copies what is already kept.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quenvar::tools {

class TextList {
public:
    // Throws std::bad_alloc.
    void Append(std::string_view text);
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }

    // Reads the texts from the first; the list must not change while a cursor is used.
    class Cursor {
    public:
        explicit Cursor(const TextList& list) : list_(list) {}
        // false after the last text.
        bool Next(std::string_view& text);

    private:
        const TextList& list_;
        std::size_t block_ = 0;
        std::size_t offset_ = 0;
    };

private:
    static constexpr std::size_t kBlockBytes = std::size_t{64} * 1024;

    std::vector<std::string> blocks_;  // each text as its length, then its characters
    std::size_t count_ = 0;
};

}  // namespace quenvar::tools
