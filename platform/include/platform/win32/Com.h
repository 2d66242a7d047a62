// COM activation for in-process servers: per-thread initialisation, ProgID and GUID text, class
// objects read from HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32, and unloading of servers that
// say they may go.
#pragma once

#include "platform/win32/Unknown.h"

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
constexpr DWORD COINIT_DISABLE_OLE1DDE = 0x4;
constexpr DWORD COINIT_SPEED_OVER_MEMORY = 0x8;

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

constexpr HRESULT RPC_E_CHANGED_MODE = MakeHresult(0x80010106);

// Characters of "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with its NUL.
constexpr int kGuidStringLength = 39;

struct COSERVERINFO;

extern "C" {

// Counts initialisations of the calling thread: S_OK for the first, S_FALSE for each later one
// with the same model, RPC_E_CHANGED_MODE (count unchanged) for a different model, E_INVALIDARG
// for a reserved pointer or unknown flags. Each success is matched by one CoUninitialize.
HRESULT STDAPICALLTYPE CoInitializeEx(LPVOID reserved, DWORD coInit) noexcept;
HRESULT STDAPICALLTYPE CoInitialize(LPVOID reserved) noexcept;
// Without a matching initialisation it does nothing. Loaded servers stay loaded.
void STDAPICALLTYPE CoUninitialize() noexcept;

// The default value of HKCR\<progId>\CLSID; a ProgID without a CLSID key is followed through its
// CurVer key. CO_E_CLASSSTRING (and *clsid all zeros) for an unknown ProgID or a value that is
// not a braced GUID, REGDB_E_READREGDB when the registry cannot be read, E_INVALIDARG for NULL.
HRESULT STDAPICALLTYPE CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid) noexcept;
// A braced 8-4-4-4-12 hexadecimal string (no registry access), or else a ProgID. On failure
// *clsid is all zeros: CO_E_CLASSSTRING for a malformed braced string or an unknown ProgID.
HRESULT STDAPICALLTYPE CLSIDFromString(LPCOLESTR text, LPCLSID clsid) noexcept;
// Writes the braced upper-case form and answers 39 (characters with the NUL); 0, buffer
// untouched, when it holds fewer than 39 characters.
int STDAPICALLTYPE StringFromGUID2(REFGUID guid, LPOLESTR buffer, int bufferLength) noexcept;

// In-process servers only. Loads the library named by the InprocServer32 default value once per
// process and answers what its DllGetClassObject answers. *ppv is NULL on failure:
// CO_E_NOTINITIALIZED on a thread without CoInitializeEx; REGDB_E_CLASSNOTREG when the class has
// no in-process server or the context excludes one; HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) when
// the library cannot be loaded; CO_E_ERRORINDLL when it has no DllGetClassObject;
// REGDB_E_READREGDB when the registry cannot be read; E_INVALIDARG for a NULL ppv or a server
// info (remote activation is not offered).
HRESULT STDAPICALLTYPE CoGetClassObject(REFCLSID clsid, DWORD clsContext, COSERVERINFO* serverInfo, REFIID riid,
                                        LPVOID* ppv) noexcept;
// The class object's IClassFactory::CreateInstance; the factory is released before returning.
HRESULT STDAPICALLTYPE CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD clsContext, REFIID riid,
                                        LPVOID* ppv) noexcept;
// Asks each loaded server's DllCanUnloadNow and unloads at once those answering S_OK (there is no
// delay, whatever their threading model); a server without that export stays loaded. Servers
// must not activate classes from their DllCanUnloadNow.
void STDAPICALLTYPE CoFreeUnusedLibraries() noexcept;

}  // extern "C"
