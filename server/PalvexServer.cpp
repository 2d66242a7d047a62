// What makes this server the Palvex server: its one object-map row and the registry script that
// row applies.
#include "com/ClassFactory.h"
#include "component/IPalvex.h"
#include "registrar/RunRegistryScript.h"
#include "server/ObjectMap.h"

namespace quenvar {
namespace {

constexpr UINT kPalvexRegistryScriptId = 101;

HRESULT UpdatePalvexRegistry(BOOL registering) noexcept
{
    return RunRegistryScript(theModule, kPalvexRegistryScriptId, registering, /*extraVariables=*/nullptr);
}

DWORD_PTR NeverExcluded() { return 0; }

}  // namespace

ObjectMapEntry theObjectMap[] = {
    {&CLSID_Palvex, &UpdatePalvexRegistry, &CreateClassFactory, &CreateComponentInstance, nullptr, &NeverExcluded},
    {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace quenvar
