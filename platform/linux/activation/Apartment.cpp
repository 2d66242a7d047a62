// Per-thread initialisation counts. There is no marshalling between apartments here: every
// in-process server is called on the caller's thread, as the "Both" threading model allows, so
// the model a thread chose only has to stay the same until it uninitialises.
#include "linux/activation/Apartment.h"

#include "platform/Win32.h"

#include "linux/edge/Boundary.h"

namespace quenvar::platform {
namespace {

constexpr DWORD kKnownFlags = COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE | COINIT_SPEED_OVER_MEMORY;

struct ThreadApartment {
    ULONG initCount = 0;
    bool apartmentThreaded = false;
};

thread_local ThreadApartment apartment;

}  // namespace

bool IsComInitialized() noexcept { return apartment.initCount != 0; }

}  // namespace quenvar::platform

using quenvar::platform::apartment;

extern "C" {

HRESULT STDAPICALLTYPE CoInitializeEx(LPVOID reserved, DWORD coInit) noexcept
{
    return quenvar::platform::Boundary("CoInitializeEx", quenvar::platform::ReturnsHResult{}, [&]() -> HRESULT {
        if (reserved != nullptr || (coInit & ~quenvar::platform::kKnownFlags) != 0) return E_INVALIDARG;
        const bool apartmentThreaded = (coInit & COINIT_APARTMENTTHREADED) != 0;
        if (apartment.initCount != 0) {
            if (apartment.apartmentThreaded != apartmentThreaded) return RPC_E_CHANGED_MODE;
            ++apartment.initCount;
            return S_FALSE;
        }
        apartment.initCount = 1;
        apartment.apartmentThreaded = apartmentThreaded;
        return S_OK;
    });
}

HRESULT STDAPICALLTYPE CoInitialize(LPVOID reserved) noexcept
{
    return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}

void STDAPICALLTYPE CoUninitialize() noexcept
{
    if (apartment.initCount != 0) --apartment.initCount;
}

}  // extern "C"
