#include "linux/loader/PeModules.h"

#include "platform/EntryPoints.h"

#include "linux/loader/PeImage.h"
#include "linux/loader/PeImports.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <vector>

namespace quenvar::platform {
namespace {

constexpr bool kHostsWindowsDlls = QUENVAR_HOSTS_WINDOWS_DLLS != 0;
constexpr std::uint16_t kOwnMachine = sizeof(void*) == 8 ? kMachineAmd64 : kMachineI386;
constexpr DWORD kProcessDetach = 0;
constexpr DWORD kProcessAttach = 1;
constexpr DWORD kDllInitFailed = 1114;  // ERROR_DLL_INIT_FAILED

class Mapping {
public:
    explicit Mapping(std::size_t size)
        : size_(size), base_(::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0))
    {
    }
    ~Mapping()
    {
        if (base_ != MAP_FAILED) ::munmap(base_, size_);
    }
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;
    bool valid() const { return base_ != MAP_FAILED; }
    std::uint8_t* base() const { return static_cast<std::uint8_t*>(base_); }
    std::size_t size() const { return size_; }

private:
    std::size_t size_;
    void* base_;
};

struct PeModule {
    std::string path;
    PeImage image;
    std::unique_ptr<Mapping> mapping;
    LONG loads = 1;
};

// The loader lock: held while a DllMain runs, as on Windows, so the table is recursive to let
// DllMain call the loader.
std::recursive_mutex modulesLock;
std::vector<std::unique_ptr<PeModule>> modules;

HMODULE HandleOf(const PeModule& module) { return reinterpret_cast<HMODULE>(module.mapping->base()); }

PeModule* FindLocked(HMODULE handle)
{
    for (const auto& module : modules) {
        if (HandleOf(*module) == handle) return module.get();
    }
    return nullptr;
}

DWORD Refuse(LPCSTR fileName, DWORD error, const std::string& why)
{
    std::fprintf(stderr, "%s: %s\n", fileName, why.c_str());
    return error;
}

int Protection(std::uint32_t characteristics)
{
    if (characteristics & kSectionExecute) return PROT_READ | PROT_EXEC;
    if (characteristics & kSectionWrite) return PROT_READ | PROT_WRITE;
    return PROT_READ;
}

void PutWord(std::uint8_t* at, std::uint64_t value, std::uint32_t width) { std::memcpy(at, &value, width); }

std::uint64_t GetWord(const std::uint8_t* at, std::uint32_t width)
{
    std::uint64_t value = 0;
    std::memcpy(&value, at, width);
    return value;
}

// Copies the image into `mapping`, relocates it, fills the import slots with `functions` and sets
// each section's protection.
void Place(const std::vector<std::uint8_t>& file, const PeImage& image, const std::vector<void*>& functions,
           const Mapping& mapping)
{
    std::uint8_t* const base = mapping.base();
    std::memcpy(base, file.data(), image.headerSize);
    for (const PeSection& section : image.sections) {
        std::memcpy(base + section.address, file.data() + section.fileOffset, section.fileSize);
    }
    const std::uint64_t offset = reinterpret_cast<std::uintptr_t>(base) - image.preferredBase;
    for (std::uint32_t address : image.relocations) {
        PutWord(base + address, GetWord(base + address, image.pointerSize) + offset, image.pointerSize);
    }
    for (std::size_t i = 0; i < image.imports.size(); ++i) {
        PutWord(base + image.imports[i].slot, reinterpret_cast<std::uintptr_t>(functions[i]), image.pointerSize);
    }
    ::mprotect(base, mapping.size(), PROT_READ);
    for (const PeSection& section : image.sections) {
        if (section.size != 0) ::mprotect(base + section.address, section.size, Protection(section.characteristics));
    }
}

bool CallEntryPoint(const PeModule& module, DWORD reason)
{
    const auto entry = reinterpret_cast<LPFNDLLMAIN>(module.mapping->base() + module.image.entryPoint);
    return entry(HandleOf(module), reason, nullptr) != FALSE;
}

DWORD Map(LPCSTR fileName, const std::string& path, HMODULE& handle)
{
    std::ifstream stream(path, std::ios::binary);
    const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(stream), {}};
    std::string error;
    std::optional<PeImage> image = ReadPeImage(file, &error);
    if (!image) return Refuse(fileName, ERROR_BAD_EXE_FORMAT, "not a sound Windows DLL: " + error);
    if (image->machine != kOwnMachine) {
        return Refuse(fileName, ERROR_BAD_EXE_FORMAT, "a DLL for another machine than this process's");
    }
    std::vector<void*> functions;
    functions.reserve(image->imports.size());
    for (const PeImport& import : image->imports) {
        functions.push_back(ResolveImport(import.dll, import.name));
        if (functions.back() == nullptr) {
            return Refuse(fileName, ERROR_PROC_NOT_FOUND,
                          "imports " + import.dll + "!" + import.name + ", which the platform does not export");
        }
    }
    auto module = std::make_unique<PeModule>(PeModule{path, std::move(*image), nullptr});
    module->mapping = std::make_unique<Mapping>(module->image.imageSize);
    if (!module->mapping->valid()) return ERROR_NOT_ENOUGH_MEMORY;
    Place(file, module->image, functions, *module->mapping);

    // Listed before DllMain runs, so that it can ask for its own file name.
    const PeModule* loaded = modules.emplace_back(std::move(module)).get();
    if (!CallEntryPoint(*loaded, kProcessAttach)) {
        std::erase_if(modules, [&](const auto& entry) { return entry.get() == loaded; });
        return Refuse(fileName, kDllInitFailed, "DllMain refused to attach");
    }
    handle = HandleOf(*loaded);
    return ERROR_SUCCESS;
}

}  // namespace

bool IsPeFile(LPCSTR fileName)
{
    std::ifstream file(fileName, std::ios::binary);
    std::uint8_t start[2] = {};
    return file.read(reinterpret_cast<char*>(start), sizeof start) && StartsLikePeImage(start);
}

DWORD LoadPeModule(LPCSTR fileName, HMODULE& handle)
{
    std::error_code error;
    const std::string path = std::filesystem::canonical(fileName, error).string();
    if (error) return ERROR_MOD_NOT_FOUND;
    if (!kHostsWindowsDlls) {
        return Refuse(fileName, ERROR_BAD_EXE_FORMAT,
                      "a Windows DLL runs only in the build with the Windows calling conventions "
                      "(build/win64-host or build/win32-host); this build loads it as data only");
    }
    std::lock_guard guard(modulesLock);
    for (const auto& module : modules) {
        if (module->path == path) {
            ++module->loads;
            handle = HandleOf(*module);
            return ERROR_SUCCESS;
        }
    }
    return Map(fileName, path, handle);
}

bool IsPeModule(HMODULE handle)
{
    std::lock_guard guard(modulesLock);
    return FindLocked(handle) != nullptr;
}

DWORD FreePeModule(HMODULE handle)
{
    std::lock_guard guard(modulesLock);
    PeModule* module = FindLocked(handle);
    if (module == nullptr) return ERROR_INVALID_HANDLE;
    if (--module->loads > 0) return ERROR_SUCCESS;
    CallEntryPoint(*module, kProcessDetach);
    std::erase_if(modules, [&](const auto& entry) { return entry.get() == module; });
    return ERROR_SUCCESS;
}

void* FindPeExport(HMODULE handle, LPCSTR name, DWORD& error)
{
    std::lock_guard guard(modulesLock);
    const PeModule* module = FindLocked(handle);
    if (module == nullptr) {
        error = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    for (const PeExport& entry : module->image.exports) {
        if (entry.name == name) return module->mapping->base() + entry.address;
    }
    error = ERROR_PROC_NOT_FOUND;
    return nullptr;
}

HMODULE PeModuleAt(const void* address)
{
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    std::lock_guard guard(modulesLock);
    for (const auto& module : modules) {
        const auto base = reinterpret_cast<std::uintptr_t>(module->mapping->base());
        if (at >= base && at - base < module->mapping->size()) return HandleOf(*module);
    }
    return nullptr;
}

bool PeModulePath(HMODULE handle, std::string& path)
{
    std::lock_guard guard(modulesLock);
    const PeModule* module = FindLocked(handle);
    if (module == nullptr) return false;
    path = module->path;
    return true;
}

void AddPeModuleReference(HMODULE handle)
{
    std::lock_guard guard(modulesLock);
    if (PeModule* module = FindLocked(handle)) ++module->loads;
}

}  // namespace quenvar::platform
