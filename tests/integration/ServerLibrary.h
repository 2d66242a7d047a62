// An in-process server library loaded the way a host loads it: by path, its exports looked up
// by name. Unloading it runs its process detach.
#pragma once

#include "platform/EntryPoints.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace quenvar::testing {

inline std::string BuildPath(const std::string& relative)
{
    const char* build = std::getenv("QUENVAR_BUILD_DIR");
    return std::string(build != nullptr ? build : "build") + "/" + relative;
}

class ServerLibrary {
public:
    using CanUnloadNow = LPFNCANUNLOADNOW;
    using GetClassObject = LPFNGETCLASSOBJECT;
    using Register = LPFNREGISTRATION;

    explicit ServerLibrary(const std::string& path) : path_(path), module_(LoadLibraryA(path.c_str()))
    {
        if (module_ == nullptr) return;
        canUnloadNow = Export<CanUnloadNow>("DllCanUnloadNow");
        getClassObject = Export<GetClassObject>("DllGetClassObject");
        registerServer = Export<Register>("DllRegisterServer");
        unregisterServer = Export<Register>("DllUnregisterServer");
    }
    ~ServerLibrary() { Unload(); }
    ServerLibrary(const ServerLibrary&) = delete;
    ServerLibrary& operator=(const ServerLibrary&) = delete;

    bool Loaded() const
    {
        return module_ != nullptr && canUnloadNow && getClassObject && registerServer && unregisterServer;
    }
    const std::string& Path() const { return path_; }
    void Unload()
    {
        if (module_ != nullptr) FreeLibrary(module_);
        module_ = nullptr;
    }

    CanUnloadNow canUnloadNow = nullptr;
    GetClassObject getClassObject = nullptr;
    Register registerServer = nullptr;
    Register unregisterServer = nullptr;

private:
    template <typename Function>
    Function Export(const char* name)
    {
        return ProcAs<Function>(GetProcAddress(module_, name));
    }

    std::string path_;
    HMODULE module_;
};

}  // namespace quenvar::testing
