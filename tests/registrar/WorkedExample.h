// The module's own registry script and the entries it registers.
#pragma once

#include "RegistrySnapshot.h"

#include <fstream>
#include <iterator>
#include <string>

namespace quenvar::testing {

inline std::string ModuleScript()
{
    std::ifstream in(QUENVAR_REGISTRY_SCRIPT, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline const std::string kClassKey = "HKCR\\CLSID\\{6C1D4F20-8A31-4E7B-9D02-5B7A3E91C4D8}";

// Everything a registration on an empty registry leaves, with %MODULE% = modulePath.
inline Snapshot RegisteredEntries(const std::string& modulePath)
{
    return {
        "HKCR\\Palvex.Palvex.1",
        "HKCR\\Palvex.Palvex.1 @=sz:Palvex Class",
        "HKCR\\Palvex.Palvex.1\\CLSID",
        "HKCR\\Palvex.Palvex.1\\CLSID @=sz:{6C1D4F20-8A31-4E7B-9D02-5B7A3E91C4D8}",
        "HKCR\\Palvex.Palvex",
        "HKCR\\Palvex.Palvex @=sz:Palvex Class",
        "HKCR\\Palvex.Palvex\\CurVer",
        "HKCR\\Palvex.Palvex\\CurVer @=sz:Palvex.Palvex.1",
        "HKCR\\CLSID",
        kClassKey,
        kClassKey + " @=sz:Palvex Class",
        kClassKey + "\\ProgID",
        kClassKey + "\\ProgID @=sz:Palvex.Palvex.1",
        kClassKey + "\\VersionIndependentProgID",
        kClassKey + "\\VersionIndependentProgID @=sz:Palvex.Palvex",
        kClassKey + "\\Programmable",
        kClassKey + "\\InprocServer32",
        kClassKey + "\\InprocServer32 @=sz:" + modulePath,
        kClassKey + "\\InprocServer32 ThreadingModel=sz:Both",
    };
}

// What removal leaves: CLSID is marked NoRemove.
inline const Snapshot kRemovedEntries = {"HKCR\\CLSID"};

}  // namespace quenvar::testing
