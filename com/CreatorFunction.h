// The signature shared by the object map's creators and the object creation routines: a
// context (the outer unknown for instance creators), the interface asked for and its out pointer.
#pragma once

#include "platform/Win32.h"

namespace quenvar {

using CreatorFunction = HRESULT (*)(void* context, REFIID riid, void** ppv);

}  // namespace quenvar
