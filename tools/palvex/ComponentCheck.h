// Whether the Palvex component is registered and loadable, before any host is asked.
#pragma once

#include "platform/Win32.h"

#include <string>

namespace quenvar::tools {

inline constexpr char16_t kPalvexProgId[] = u"Palvex.Palvex";
inline constexpr char kRegisterCommand[] = "build/bin/regsvr build/lib/Quenvar.so";

// Resolves the ProgID and loads the class's server once. false, with a message for the user
// (which names the command that registers the component) in `error`, when either fails. The
// calling thread must have initialised COM.
[[nodiscard]] bool FindPalvexClass(CLSID& clsid, std::string& error);

}  // namespace quenvar::tools
