# Cross build of the Windows DLL with mingw-w64 for 32-bit x86.
set(QUENVAR_MINGW_TARGET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
