// What was read from the registry, kept while the registry stays unchanged: the lookups that
// activation and type library loading repeat for every object would otherwise cost a dozen
// registry calls each time. Everything kept is dropped at the first change; only what was
// found is kept, so that a registration made later is seen at once.
#pragma once

#include "linux/registry/RegistryStamp.h"

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quenvar::platform {

template <typename Value>
class RegistryMemo {
public:
    // The value kept for `key` while the registry stays unchanged; else what `read(value)` reads,
    // kept when it answers zero (ERROR_SUCCESS, S_OK). Answers zero or read's result.
    template <typename Read>
    auto Lookup(std::string_view key, Value& value, Read read) -> decltype(read(value))
    {
        // Taken before reading: a change in between makes the stamp stale, never the value.
        RegistryStamp now;
        const bool stamped = ReadRegistryStamp(now) == ERROR_SUCCESS;
        if (stamped && Find(key, now, value)) return {};
        const auto result = read(value);
        if (result == 0 && stamped) Keep(key, now, value);
        return result;
    }

private:
    bool Find(std::string_view key, const RegistryStamp& now, Value& value) const
    {
        std::lock_guard guard(lock_);
        if (!(stamp_ == now)) return false;
        const auto found = values_.find(key);
        if (found == values_.end()) return false;
        value = found->second;
        return true;
    }

    void Keep(std::string_view key, const RegistryStamp& stamp, const Value& value)
    {
        std::lock_guard guard(lock_);
        if (!(stamp_ == stamp)) {
            values_.clear();
            stamp_ = stamp;
        }
        values_.insert_or_assign(std::string(key), value);
    }

    // Found by a view of the caller's bytes: a lookup makes no key of its own.
    struct KeyHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const noexcept { return std::hash<std::string_view>{}(key); }
    };

    mutable std::mutex lock_;
    RegistryStamp stamp_;
    std::unordered_map<std::string, Value, KeyHash, std::equal_to<>> values_;
};

}  // namespace quenvar::platform
