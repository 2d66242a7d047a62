// The one header through which the component reaches the operating system: the subset of the
// Win32 API that Quenvar calls. On Windows it is the system's own headers; on Linux it is the
// declarations of our platform library, which provides the same names and contracts.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <wininet.h>
// COM interfaces have no virtual destructor: their objects release themselves.
#define COM_NO_VTABLE_DTOR_WARNING_BEGIN \
    _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wnon-virtual-dtor\"")
#define COM_NO_VTABLE_DTOR_WARNING_END _Pragma("GCC diagnostic pop")
#else
// The platform library builds with hidden visibility: what these headers declare is what it can
// export (its version script picks the inventory).
#pragma GCC visibility push(default)
#include "platform/win32/Types.h"
#include "platform/win32/Errors.h"
#include "platform/win32/Guid.h"
#include "platform/win32/Unknown.h"
#include "platform/win32/Kernel.h"
#include "platform/win32/Text.h"
#include "platform/win32/Memory.h"
#include "platform/win32/Bstr.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Automation.h"
#include "platform/win32/TypeLib.h"
#include "platform/win32/Internet.h"
#include "platform/win32/Module.h"
#include "platform/win32/Com.h"
#include "platform/win32/Message.h"
#include "platform/win32/Console.h"
#pragma GCC visibility pop
#endif
