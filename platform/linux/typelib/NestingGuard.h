// Bounds the depth of lookups that follow base interfaces from one library object into another:
// a corrupt or hostile library can name itself as its own base, directly or through imports.
#pragma once

namespace quenvar::platform {

class NestingGuard {
public:
    NestingGuard() { ++depth_; }
    ~NestingGuard() { --depth_; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;

    // Deeper than any real chain of interfaces, so only a cycle reaches it.
    bool TooDeep() const { return depth_ > kMaxDepth; }

private:
    static constexpr int kMaxDepth = 32;
    static inline thread_local int depth_ = 0;
};

}  // namespace quenvar::platform
