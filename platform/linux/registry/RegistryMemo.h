// What was read from the registry, kept while the registry stays unchanged: the lookups that
// activation and type library loading repeat for every object would otherwise cost a dozen
// registry calls each time. Everything kept is dropped at the first change; only what was
// found is kept, so that a registration made later is seen at once.
#pragma once

#include "linux/registry/RegistryStamp.h"

#include <mutex>
#include <string>
#include <unordered_map>

namespace quenvar::platform {

template <typename Value>
class RegistryMemo {
public:
    // The value kept for `key` while the registry stays unchanged; else what `read(value)` reads,
    // kept when it answers zero (ERROR_SUCCESS, S_OK). Answers zero or read's result.
    template <typename Read>
    auto Lookup(const std::string& key, Value& value, Read read) -> decltype(read(value))
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
    bool Find(const std::string& key, const RegistryStamp& now, Value& value) const
    {
        std::lock_guard guard(lock_);
        if (!(stamp_ == now)) return false;
        const auto found = values_.find(key);
        if (found == values_.end()) return false;
        value = found->second;
        return true;
    }

    void Keep(const std::string& key, const RegistryStamp& stamp, const Value& value)
    {
        std::lock_guard guard(lock_);
        if (!(stamp_ == stamp)) {
            values_.clear();
            stamp_ = stamp;
        }
        values_.insert_or_assign(key, value);
    }

    mutable std::mutex lock_;
    RegistryStamp stamp_;
    std::unordered_map<std::string, Value> values_;
};

}  // namespace quenvar::platform
