// The process's table of loaded in-process servers: each library is loaded once, whatever the
// number of classes and activations it serves, and stays until it agrees to be unloaded.
#pragma once

#include "platform/Win32.h"

#include <string>

namespace quenvar::platform {

struct LoadedServer;

// Keeps one loaded server in the table, and loaded, for as long as it lives: an activation holds
// one while it calls into the library.
class ServerPin {
public:
    ServerPin() noexcept = default;
    ServerPin(ServerPin&& other) noexcept;
    ServerPin& operator=(ServerPin&& other) noexcept;
    ServerPin(const ServerPin&) = delete;
    ServerPin& operator=(const ServerPin&) = delete;
    ~ServerPin();

    // The library's DllGetClassObject.
    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) const noexcept;

private:
    friend HRESULT PinServer(const std::string& path, ServerPin& pin);
    explicit ServerPin(LoadedServer* server) noexcept : server_(server) {}
    LoadedServer* server_ = nullptr;
};

// Finds the library in the table or loads it. HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) when it
// cannot be loaded, CO_E_ERRORINDLL when it does not export DllGetClassObject (it is then not
// kept loaded), E_OUTOFMEMORY. Thread-safe.
[[nodiscard]] HRESULT PinServer(const std::string& path, ServerPin& pin);

// Unloads every unpinned server whose DllCanUnloadNow answers S_OK. Each DllCanUnloadNow runs
// under the table's lock, so no activation can start between its answer and the unloading.
void FreeUnusedServers() noexcept;

}  // namespace quenvar::platform
