# Type libraries built from IDL by widl: 32-bit Windows libraries (64-bit ones in the x64 Windows
# build), reproducible (the compiler's time stamps pinned to 0), with no include path but our own
# IDL prelude in resources/.
find_program(QUENVAR_WIDL NAMES i686-w64-mingw32-widl widl REQUIRED)

# quenvar_add_type_library(<target> IDL <file.idl> OUTPUT <file.tlb>
#                          [IMPORTS <type library targets>...] [DEPENDS <imported IDL files>...])
# Builds OUTPUT from IDL as custom target <target>, whose property QUENVAR_TYPE_LIBRARY holds the
# path of the library. The libraries of IMPORTS can be named in importlib() by their file names.
function(quenvar_add_type_library target)
  cmake_parse_arguments(TL "" "IDL;OUTPUT" "IMPORTS;DEPENDS" ${ARGN})
  get_filename_component(idl "${TL_IDL}" ABSOLUTE)
  get_filename_component(idlDirectory "${idl}" DIRECTORY)
  get_filename_component(outputDirectory "${TL_OUTPUT}" DIRECTORY)
  set(prelude ${PROJECT_SOURCE_DIR}/resources)
  set(syskind --win32)
  if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(syskind --win64)
  endif()
  set(arguments --nostdinc ${syskind} -t -I "${idlDirectory}" -I "${prelude}")
  set(depends "${idl}" "${prelude}/OleBase.idl" ${TL_DEPENDS})
  foreach(import IN LISTS TL_IMPORTS)
    get_target_property(library ${import} QUENVAR_TYPE_LIBRARY)
    get_filename_component(libraryDirectory "${library}" DIRECTORY)
    list(APPEND arguments -L "${libraryDirectory}")
    list(APPEND depends "${library}" ${import})
  endforeach()
  add_custom_command(OUTPUT "${TL_OUTPUT}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${outputDirectory}"
    COMMAND ${CMAKE_COMMAND} -E env WIDL_TIME_OVERRIDE=0 ${QUENVAR_WIDL} ${arguments} -o "${TL_OUTPUT}" "${idl}"
    DEPENDS ${depends}
    COMMENT "Building type library ${TL_OUTPUT}"
    VERBATIM)
  add_custom_target(${target} DEPENDS "${TL_OUTPUT}")
  set_target_properties(${target} PROPERTIES QUENVAR_TYPE_LIBRARY "${TL_OUTPUT}")
endfunction()
