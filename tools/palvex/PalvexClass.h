// The Palvex class as palvex uses it for a run, the way a client that makes many objects does:
// its class object, taken once, makes every object, and one idle object lives for the whole run,
// so that the type information the objects share (loaded for the first, dropped with the last)
// stays loaded. Both keep the component's library loaded: a run goes on with what it loaded even
// when the component is unregistered meanwhile.
#pragma once

#include "platform/UniqueInterface.h"
#include "platform/Win32.h"

#include <string>

namespace quenvar::tools {

class PalvexClass {
public:
    // Takes the class object of `clsid` (as FindPalvexClass found it) and makes the idle object.
    // false, with a message for the user in `error`, when either fails. The calling thread must
    // have initialised COM in the multithreaded apartment, as the threads that create objects.
    [[nodiscard]] bool Load(const CLSID& clsid, std::string& error);

    // A new object, never one used before: an object keeps the previous query's values where a
    // server's answer lacks a header.
    [[nodiscard]] HRESULT Create(REFIID iid, void** object) const;

private:
    UniqueInterface<IClassFactory> factory_;
    UniqueInterface<IDispatch> idle_;
};

}  // namespace quenvar::tools
