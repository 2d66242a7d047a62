// Class objects and instances of in-process servers, and the unloading of servers no longer used.
#include "platform/Win32.h"

#include "linux/activation/Apartment.h"
#include "linux/activation/EnvironmentText.h"
#include "linux/activation/GuidText.h"
#include "linux/activation/LoadedServers.h"
#include "linux/activation/RegistryText.h"
#include "linux/kernel/CodePage.h"
#include "linux/registry/RegistryMemo.h"
#include "linux/edge/Boundary.h"
#include "platform/UniqueInterface.h"

#include <iterator>
#include <string>
#include <string_view>

namespace quenvar::platform {
namespace {

struct ServerValue {
    std::u16string text;
    bool expand = false;
};

LONG ReadInprocServer(REFCLSID clsid, ServerValue& value)
{
    char16_t text[kGuidStringLength - 1];
    FormatBracedGuid(clsid, text);
    const std::u16string subKey = u"CLSID\\" + std::u16string(std::begin(text), std::end(text)) + u"\\InprocServer32";
    return ReadClassesRootText(subKey, /*allowExpand=*/true, value.text, &value.expand);
}

// The library file registered for the class: the default value of its InprocServer32 key, as the
// file system names it.
HRESULT InprocServerPath(REFCLSID clsid, std::string& path)
{
    static RegistryMemo<ServerValue> found;
    ServerValue value;
    // Kept by the class identifier's bytes: formatting it costs more than the lookup it saves.
    const std::string_view request(reinterpret_cast<const char*>(&clsid), sizeof clsid);
    const LONG status =
        found.Lookup(request, value, [&clsid](ServerValue& read) { return ReadInprocServer(clsid, read); });
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_INVALID_DATA) return REGDB_E_CLASSNOTREG;
    if (status != ERROR_SUCCESS) return REGDB_E_READREGDB;
    if (!WideToFileName(value.text, path)) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    // Expanded at every activation: the environment may have changed since.
    if (value.expand) path = ExpandEnvironmentText(path);
    return path.empty() ? REGDB_E_CLASSNOTREG : S_OK;
}

}  // namespace
}  // namespace quenvar::platform

extern "C" {

HRESULT STDAPICALLTYPE CoGetClassObject(REFCLSID clsid, DWORD clsContext, COSERVERINFO* serverInfo, REFIID riid,
                                        LPVOID* ppv) noexcept
{
    if (ppv == nullptr) return E_INVALIDARG;
    *ppv = nullptr;
    return quenvar::platform::Boundary("CoGetClassObject", quenvar::platform::ReturnsHResult{}, [&]() -> HRESULT {
        if (serverInfo != nullptr) return E_INVALIDARG;
        if (!quenvar::platform::IsComInitialized()) return CO_E_NOTINITIALIZED;
        if ((clsContext & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
        std::string path;
        HRESULT hr = quenvar::platform::InprocServerPath(clsid, path);
        if (FAILED(hr)) return hr;
        quenvar::platform::ServerPin server;
        hr = quenvar::platform::PinServer(path, server);
        if (FAILED(hr)) return hr;
        return server.GetClassObject(clsid, riid, ppv);
    });
}

HRESULT STDAPICALLTYPE CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD clsContext, REFIID riid,
                                        LPVOID* ppv) noexcept
{
    if (ppv == nullptr) return E_INVALIDARG;
    *ppv = nullptr;
    return quenvar::platform::Boundary("CoCreateInstance", quenvar::platform::ReturnsHResult{}, [&]() -> HRESULT {
        quenvar::UniqueInterface<IClassFactory> factory;
        const HRESULT hr = CoGetClassObject(clsid, clsContext, nullptr, IID_IClassFactory, quenvar::PutVoid(factory));
        if (FAILED(hr)) return hr;
        if (!factory) return CO_E_ERRORINDLL;  // a server that answered success without an object
        return factory.get()->CreateInstance(outer, riid, ppv);
    });
}

void STDAPICALLTYPE CoFreeUnusedLibraries() noexcept { quenvar::platform::FreeUnusedServers(); }

}  // extern "C"
