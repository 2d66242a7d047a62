# The Windows DLLs, cross-built from the same sources with mingw-w64 as part of the Linux build:
# <build>/win32/Quenvar.dll (x86) and <build>/win64/Quenvar.dll (x64). On by default where both
# cross compilers are found, except in the sanitizer and fuzzing builds, which have no use for them.
find_program(QUENVAR_MINGW_I686 i686-w64-mingw32-g++)
find_program(QUENVAR_MINGW_X86_64 x86_64-w64-mingw32-g++)
set(windowsDefault OFF)
if(QUENVAR_MINGW_I686 AND QUENVAR_MINGW_X86_64 AND NOT QUENVAR_SANITIZE AND NOT QUENVAR_TSAN AND NOT QUENVAR_FUZZ)
  set(windowsDefault ON)
endif()
option(QUENVAR_WINDOWS "Cross-build the Windows DLLs into win32/ and win64/" ${windowsDefault})

if(QUENVAR_WINDOWS)
  include(ExternalProject)
  foreach(build IN ITEMS "win32;i686" "win64;x86_64")
    list(GET build 0 folder)
    list(GET build 1 processor)
    ExternalProject_Add(quenvar_${folder}
      SOURCE_DIR ${PROJECT_SOURCE_DIR}
      BINARY_DIR ${PROJECT_BINARY_DIR}/${folder}
      PREFIX ${PROJECT_BINARY_DIR}/${folder}-stamps
      CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/toolchains/mingw-w64-${processor}.cmake
        -DCMAKE_BUILD_TYPE=Release -DQUENVAR_TESTS=OFF -DQUENVAR_WERROR=${QUENVAR_WERROR}
      INSTALL_COMMAND ""
      BUILD_ALWAYS ON
      BUILD_BYPRODUCTS ${PROJECT_BINARY_DIR}/${folder}/Quenvar.dll)
  endforeach()
endif()
