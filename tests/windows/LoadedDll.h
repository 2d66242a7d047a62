// An x64 Windows DLL loaded into this Linux process: its sections mapped, relocated to where they
// landed, each import bound to the function a resolver names, and DllMain called for process
// attach (and detach when the object goes). Its code uses the Windows x64 calling convention, so
// callers go through ms_abi function pointers and the resolver hands out ms_abi thunks.
#pragma once

#include "tests/windows/PeImage.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace quenvar::testing {

class LoadedDll {
public:
    // The function that an import of `dll` named `name` is to call, or null when there is none.
    using Resolver = std::function<void*(std::string_view dll, std::string_view name)>;

    // Null, with *error saying why, when the file is not a well-formed x64 DLL, an import has no
    // function, or DllMain refuses to attach.
    static std::unique_ptr<LoadedDll> Load(std::span<const std::uint8_t> file, const Resolver& resolve,
                                           std::string* error);
    ~LoadedDll();
    LoadedDll(const LoadedDll&) = delete;
    LoadedDll& operator=(const LoadedDll&) = delete;

    // The exported function of that name, or null.
    void* Export(std::string_view name) const;
    std::uint8_t* Base() const { return base_; }

private:
    LoadedDll(PeImage image, std::uint8_t* base) : image_(std::move(image)), base_(base) {}
    bool CallEntryPoint(std::uint32_t reason);

    PeImage image_;
    std::uint8_t* base_;
    bool attached_ = false;
};

}  // namespace quenvar::testing
