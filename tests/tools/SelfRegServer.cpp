// A self-registering library for the regsvr tests whose registration always fails (access denied)
// and whose unregistration always succeeds.
#include "platform/Win32.h"

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() { return E_ACCESSDENIED; }
extern "C" __attribute__((visibility("default"))) HRESULT DllUnregisterServer() { return S_OK; }
