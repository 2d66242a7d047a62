// The memory behind a TYPEATTR, FUNCDESC or VARDESC handed to a caller. The description and
// everything it points to (type descriptors, parameter arrays, default values) live in one
// storage, which the matching Release call frees as a whole.
#pragma once

#include "platform/Win32.h"

#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

namespace quenvar::platform {

class DescriptionStorage {
public:
    DescriptionStorage() = default;
    DescriptionStorage(const DescriptionStorage&) = delete;
    DescriptionStorage& operator=(const DescriptionStorage&) = delete;
    // Frees the strings of the variants handed out by Track.
    ~DescriptionStorage();

    // `count` zeroed objects of a plain C type, or `bytes` bytes for a variable-length one.
    template <typename T>
    T* Allocate(std::size_t count = 1)
    {
        return static_cast<T*>(AllocateBytes(sizeof(T) * count));
    }
    void* AllocateBytes(std::size_t bytes);

    // Registers a variant inside this storage whose value it then owns.
    void Track(VARIANT* variant) { variants_.push_back(variant); }

private:
    std::vector<std::unique_ptr<std::max_align_t[]>> blocks_;
    std::vector<VARIANT*> variants_;
};

// The block whose first member is handed out: from the description's address the Release call
// finds the storage that holds both.
template <typename Description>
struct HeldDescription {
    Description description;
    DescriptionStorage* storage;
};

// Builds one description in a storage of its own; until Hand is called the builder owns it.
template <typename Description>
class DescriptionBuilder {
public:
    DescriptionBuilder() : storage_(std::make_unique<DescriptionStorage>())
    {
        held_ = storage_->Allocate<HeldDescription<Description>>();
        held_->storage = storage_.get();
    }

    Description& description() { return held_->description; }
    DescriptionStorage& storage() { return *storage_; }

    // Gives the description to the caller; ReleaseDescription frees it.
    Description* Hand()
    {
        static_cast<void>(storage_.release());
        return &held_->description;
    }

private:
    std::unique_ptr<DescriptionStorage> storage_;
    HeldDescription<Description>* held_;
};

template <typename Description>
void ReleaseDescription(Description* description)
{
    static_assert(std::is_standard_layout_v<HeldDescription<Description>>);
    if (description == nullptr) return;
    const std::unique_ptr<DescriptionStorage> storage(
        reinterpret_cast<HeldDescription<Description>*>(description)->storage);
}

}  // namespace quenvar::platform
