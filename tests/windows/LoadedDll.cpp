#include "tests/windows/LoadedDll.h"

#include <sys/mman.h>

#include <cstring>

namespace quenvar::testing {
namespace {

constexpr std::uint32_t kSectionExecute = 0x20000000;
constexpr std::uint32_t kSectionWrite = 0x80000000;
constexpr std::uint32_t kProcessAttach = 1;
constexpr std::uint32_t kProcessDetach = 0;

using EntryPoint = int(__attribute__((ms_abi)) *)(void* instance, std::uint32_t reason, void* reserved);

int Protection(std::uint32_t characteristics)
{
    if (characteristics & kSectionExecute) return PROT_READ | PROT_EXEC;
    if (characteristics & kSectionWrite) return PROT_READ | PROT_WRITE;
    return PROT_READ;
}

}  // namespace

std::unique_ptr<LoadedDll> LoadedDll::Load(std::span<const std::uint8_t> file, const Resolver& resolve,
                                           std::string* error)
{
    std::optional<PeImage> image = ReadPeImage(file, error);
    if (!image) return nullptr;
    for (const PeImport& import : image->imports) {
        if (resolve(import.dll, import.name) == nullptr) {
            *error = "no function for the import " + import.dll + "!" + import.name;
            return nullptr;
        }
    }

    void* mapping = mmap(nullptr, image->imageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) {
        *error = "no memory for the image";
        return nullptr;
    }
    auto* base = static_cast<std::uint8_t*>(mapping);
    std::unique_ptr<LoadedDll> dll(new LoadedDll(std::move(*image), base));
    const PeImage& layout = dll->image_;

    std::memcpy(base, file.data(), layout.headerSize);
    for (const PeSection& section : layout.sections) {
        std::memcpy(base + section.address, file.data() + section.fileOffset, section.fileSize);
    }
    const std::uint64_t offset = reinterpret_cast<std::uintptr_t>(base) - layout.preferredBase;
    for (std::uint32_t address : layout.relocations) {
        std::uint64_t value;
        std::memcpy(&value, base + address, sizeof value);
        value += offset;
        std::memcpy(base + address, &value, sizeof value);
    }
    for (const PeImport& import : layout.imports) {
        void* function = resolve(import.dll, import.name);
        std::memcpy(base + import.slot, &function, sizeof function);
    }
    mprotect(base, layout.headerSize, PROT_READ);
    for (const PeSection& section : layout.sections) {
        mprotect(base + section.address, section.size, Protection(section.characteristics));
    }

    if (!dll->CallEntryPoint(kProcessAttach)) {
        *error = "DllMain refused to attach";
        return nullptr;
    }
    dll->attached_ = true;
    return dll;
}

LoadedDll::~LoadedDll()
{
    if (attached_) CallEntryPoint(kProcessDetach);
    munmap(base_, image_.imageSize);
}

bool LoadedDll::CallEntryPoint(std::uint32_t reason)
{
    const auto entry = reinterpret_cast<EntryPoint>(base_ + image_.entryPoint);
    return entry(base_, reason, nullptr) != 0;
}

void* LoadedDll::Export(std::string_view name) const
{
    for (const PeExport& entry : image_.exports) {
        if (entry.name == name) return base_ + entry.address;
    }
    return nullptr;
}

}  // namespace quenvar::testing
