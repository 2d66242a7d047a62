// The library's frame toward its host: the entry point and the four exported functions.
#include "server/ObjectMap.h"
#include "server/RegistrarLock.h"
#include "server/Registration.h"

#include <atomic>

namespace quenvar {
namespace {

void AttachToProcess(HINSTANCE instance) noexcept
{
    theModule.size = kModuleStateSize;
    (void)InitializeModule(&theModule, theObjectMap, instance);
    DisableThreadLibraryCalls(instance);
}

}  // namespace
}  // namespace quenvar

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH) quenvar::AttachToProcess(instance);
    else if (reason == DLL_PROCESS_DETACH) quenvar::ShutDownModule(&quenvar::theModule);
    return TRUE;
}

#ifndef _WIN32
// The loader of this platform has no entry point; the library's constructor and destructor play
// its part, with the library's own load address as instance handle.
namespace {

HINSTANCE OwnInstance() noexcept
{
    HMODULE instance = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&DllMain), &instance);
    return instance;
}

__attribute__((constructor)) void OnLoad() { DllMain(OwnInstance(), DLL_PROCESS_ATTACH, nullptr); }
__attribute__((destructor)) void OnUnload() { DllMain(OwnInstance(), DLL_PROCESS_DETACH, nullptr); }

}  // namespace
#endif

STDAPI DllCanUnloadNow()
{
    // Read without a lock: a snapshot is all a host can act on anyway.
    return std::atomic_ref<LONG>(quenvar::theModule.lockCount).load(std::memory_order_relaxed) == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    return quenvar::LookUpClassObject(&quenvar::theModule, rclsid, riid, ppv);
}

STDAPI DllRegisterServer()
{
    const quenvar::RegistrarLock lock;
    if (FAILED(lock.Status())) return lock.Status();
    return quenvar::RegisterClasses(&quenvar::theModule, TRUE);
}

STDAPI DllUnregisterServer()
{
    const quenvar::RegistrarLock lock;
    if (FAILED(lock.Status())) return lock.Status();
    (void)quenvar::UnregisterClasses(&quenvar::theModule);
    return S_OK;
}
