// A library that loads but serves no class: it lacks DllGetClassObject.
#include "platform/Win32.h"

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() { return S_OK; }
