#include "linux/activation/LoadedServers.h"

#include "platform/EntryPoints.h"
#include "platform/UniqueHandle.h"

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace quenvar::platform {

struct LoadedServer {
    std::string path;
    HMODULE library;
    LPFNGETCLASSOBJECT getClassObject;
    LPFNCANUNLOADNOW canUnloadNow;  // null: the server is never unloaded
    unsigned pins;
    LoadedServer* next;
};

namespace {

// Through the platform's own loader, which takes a shared object or a PE module alike.
struct LibraryTraits {
    using Pointer = HMODULE;
    static Pointer Invalid() noexcept { return nullptr; }
    static void Close(Pointer library) noexcept { FreeLibrary(library); }
};
using UniqueLibrary = UniqueHandle<LibraryTraits>;

// A plain list behind a plain mutex: neither needs a constructor or destructor, so the table
// works from the first activation to the last moment of the process. Nodes are owned by the list
// and freed when their server is unloaded.
std::mutex tableLock;
LoadedServer* servers = nullptr;

LoadedServer* FindLocked(const std::string& path, HMODULE library)
{
    for (LoadedServer* server = servers; server != nullptr; server = server->next) {
        if (server->path == path || server->library == library) return server;
    }
    return nullptr;
}

template <typename Function>
Function Export(HMODULE library, const char* name)
{
    return ProcAs<Function>(GetProcAddress(library, name));
}

}  // namespace

ServerPin::ServerPin(ServerPin&& other) noexcept : server_(std::exchange(other.server_, nullptr)) {}

ServerPin& ServerPin::operator=(ServerPin&& other) noexcept
{
    if (this != &other) {
        ServerPin old(std::move(*this));
        server_ = std::exchange(other.server_, nullptr);
    }
    return *this;
}

ServerPin::~ServerPin()
{
    if (server_ == nullptr) return;
    std::lock_guard guard(tableLock);
    --server_->pins;
}

HRESULT ServerPin::GetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) const noexcept
{
    return server_->getClassObject(clsid, riid, ppv);
}

HRESULT PinServer(const std::string& path, ServerPin& pin)
{
    {
        std::lock_guard guard(tableLock);
        if (LoadedServer* server = FindLocked(path, nullptr)) {
            ++server->pins;
            pin = ServerPin(server);
            return S_OK;
        }
    }
    // Loading runs the library's initialisation, which must not wait for the table. Another
    // thread may load the same library meanwhile; the table then keeps only one reference.
    UniqueLibrary library(LoadLibraryA(path.c_str()));
    if (!library) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    const auto getClassObject = Export<LPFNGETCLASSOBJECT>(library.get(), "DllGetClassObject");
    if (getClassObject == nullptr) return CO_E_ERRORINDLL;
    auto added = std::make_unique<LoadedServer>(LoadedServer{
        path, library.get(), getClassObject, Export<LPFNCANUNLOADNOW>(library.get(), "DllCanUnloadNow"), 1, nullptr});

    std::lock_guard guard(tableLock);
    if (LoadedServer* server = FindLocked(path, library.get())) {
        ++server->pins;
        pin = ServerPin(server);
        return S_OK;  // our extra reference to the library goes with `library`
    }
    added->next = servers;
    servers = added.get();
    static_cast<void>(library.release());
    pin = ServerPin(added.release());
    return S_OK;
}

void FreeUnusedServers() noexcept
{
    std::vector<std::unique_ptr<LoadedServer>> unloaded;
    try {
        std::lock_guard guard(tableLock);
        for (LoadedServer** link = &servers; *link != nullptr;) {
            LoadedServer* server = *link;
            if (server->pins == 0 && server->canUnloadNow != nullptr && server->canUnloadNow() == S_OK) {
                unloaded.reserve(unloaded.size() + 1);
                *link = server->next;
                unloaded.emplace_back(server);
            } else {
                link = &server->next;
            }
        }
    } catch (const std::bad_alloc&) {
        // The servers already taken out are unloaded below; the rest wait for the next call.
    }
    // Outside the lock: unloading runs the library's finalisation.
    for (const auto& server : unloaded) FreeLibrary(server->library);
}

}  // namespace quenvar::platform
