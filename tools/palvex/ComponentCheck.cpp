#include "tools/palvex/ComponentCheck.h"

#include "platform/UniqueInterface.h"
#include "tools/support/StatusText.h"

namespace quenvar::tools {

bool FindPalvexClass(CLSID& clsid, std::string& error)
{
    const std::string hint = std::string("\nRegister it with: ") + kRegisterCommand;
    HRESULT hr = CLSIDFromProgID(kPalvexProgId, &clsid);
    if (FAILED(hr) && hr != CO_E_CLASSSTRING) {
        error = "cannot look up Palvex.Palvex: " + DescribeStatus(static_cast<DWORD>(hr)) + hint;
        return false;
    }
    if (FAILED(hr)) {
        error = "the Palvex component is not registered (Palvex.Palvex: " + DescribeStatus(static_cast<DWORD>(hr)) +
                ")" + hint;
        return false;
    }
    UniqueInterface<IClassFactory> factory;
    hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, PutVoid(factory));
    if (hr == REGDB_E_CLASSNOTREG) {
        error = "the Palvex component is not registered (" + DescribeStatus(static_cast<DWORD>(hr)) + ")" + hint;
        return false;
    }
    if (FAILED(hr)) {
        error = "the Palvex component cannot be loaded: " + DescribeStatus(static_cast<DWORD>(hr)) + hint;
        return false;
    }
    return true;
}

}  // namespace quenvar::tools
