# Linking the component as a Windows DLL (a mingw-w64 cross build, see cmake/toolchains/).
#
# The component needs no C runtime start-up: it has no static constructors, no thread-local data
# and no exceptions, so the DLL is linked without the start-up code, with DllMain as its entry
# point, against the system DLLs only (msvcrt for the few C library functions it calls); what
# it needs of libgcc is linked statically. No time stamp: the same sources give the same bytes.

add_compile_options(-fno-exceptions -fno-rtti)
# Instead of CMake's default list of system libraries: the platform target names the ones used;
# libgcc comes last, for what the compiler's code calls (stack probes, 64-bit division on x86).
set(CMAKE_CXX_STANDARD_LIBRARIES -lgcc)

# quenvar_link_windows_dll(<shared library target> DEF <file.def>)
#   Links the target as <build folder>/<name>.dll exporting what DEF lists, and writes the
#   linker's map next to it (<name>.map), which the tests read to prove there is no start-up code.
function(quenvar_link_windows_dll target)
  cmake_parse_arguments(W "" "DEF" "" ${ARGN})
  get_target_property(name ${target} OUTPUT_NAME)
  set(entry DllMain)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # stdcall names carry their argument size; the .def names the undecorated exports.
    set(entry _DllMain@12)
    target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
  endif()
  target_sources(${target} PRIVATE ${W_DEF})
  target_link_options(${target} PRIVATE
    -nostdlib -s -Wl,--entry=${entry} -Wl,--no-insert-timestamp
    -Wl,-Map=${PROJECT_BINARY_DIR}/${name}.map)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
endfunction()
