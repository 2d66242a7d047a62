// "palvex: 12/40 hosts" on standard error while many hosts are queried, rewritten in place; only
// when standard error is a terminal, so logs and pipes stay clean.
#pragma once

#include <cstddef>
#include <string>

namespace quenvar::tools {

inline constexpr std::size_t kProgressMinimumHosts = 10;

class ProgressLine {
public:
    explicit ProgressLine(std::size_t total);
    ~ProgressLine() { Clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void Update(std::size_t finished);
    // Removes the line, so that other output starts at the beginning of a clean line.
    void Clear();

private:
    bool enabled_;
    std::size_t total_;
    std::size_t shown_ = 0;  // characters on screen
};

}  // namespace quenvar::tools
