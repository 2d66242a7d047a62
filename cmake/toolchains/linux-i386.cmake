# 32-bit x86 Linux on an x86_64 host: the multilib compilers (g++-multilib) and the i386 multiarch
# libraries (dpkg --add-architecture i386; libsqlite3-0:i386, libffi-dev:i386). SQLite's header is
# the same for every architecture, so the amd64 libsqlite3-dev serves, with the i386 library
# named here: libsqlite3-dev:i386 is often not installable beside it.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
foreach(kind C CXX)
  set(CMAKE_${kind}_FLAGS_INIT -m32)
endforeach()
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT -m32)
endforeach()
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig)
set(SQLite3_LIBRARY /usr/lib/i386-linux-gnu/libsqlite3.so.0 CACHE FILEPATH "SQLite, i386")
set(SQLite3_INCLUDE_DIR /usr/include CACHE PATH "SQLite's header")
# The packaged googletest is built for amd64; its sources build for -m32 in the tree.
set(QUENVAR_GTEST_SOURCES /usr/src/googletest CACHE PATH "googletest sources to build with the tree")
# Tests are listed when they run, not when they are built: a kernel without 32-bit support still
# builds them.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
