#include "tools/palvex/PalvexClass.h"

#include "tools/palvex/ComponentCheck.h"
#include "tools/support/StatusText.h"

namespace quenvar::tools {

bool PalvexClass::Load(const CLSID& clsid, std::string& error)
{
    HRESULT hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, PutVoid(factory_));
    if (SUCCEEDED(hr)) hr = Create(IID_IDispatch, PutVoid(idle_));
    if (FAILED(hr)) {
        error = "the Palvex component cannot be loaded: " + DescribeStatus(static_cast<DWORD>(hr)) +
                "\nRegister it with: " + kRegisterCommand;
        return false;
    }
    // Loaded now, while the component is surely registered. A failure shows again, with its
    // reason, in the first late-bound query; an early-bound run does not need it.
    UniqueInterface<ITypeInfo> typeInfo;
    static_cast<void>(idle_.get()->GetTypeInfo(0, LOCALE_USER_DEFAULT, typeInfo.put()));
    return true;
}

HRESULT PalvexClass::Create(REFIID iid, void** object) const
{
    return factory_.get()->CreateInstance(nullptr, iid, object);
}

}  // namespace quenvar::tools
