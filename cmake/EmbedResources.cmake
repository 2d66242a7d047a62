# Compiled resources (.res, as windres writes them) carried by a shared library in its ELF
# section ".rsrc", where LoadLibraryExA as a data file and FindResourceA find them.
#
#   quenvar_add_resources(NAME <name> RC <file.rc> [INCLUDE_DIRS <dirs>...] [DEPENDS <files>...])
#     A target <name> that compiles the .rc into <current binary dir>/<name>.res. Files named in
#     the .rc are looked up in the .rc's folder and INCLUDE_DIRS; list them (and any generated
#     input) in DEPENDS so that a change recompiles.
#
#   quenvar_embed_resources(TARGET <shared library> RESOURCES <name>)
#     Puts the .res of quenvar_add_resources target <name> into the library's ".rsrc" section
#     (on Windows the DLL's resource section);
#     the library is relinked whenever the .res changes.

find_program(QUENVAR_WINDRES NAMES i686-w64-mingw32-windres REQUIRED)
find_program(QUENVAR_RC_PREPROCESSOR NAMES cpp REQUIRED)

function(quenvar_add_resources)
  cmake_parse_arguments(R "" "NAME;RC" "INCLUDE_DIRS;DEPENDS" ${ARGN})
  get_filename_component(rc "${R_RC}" ABSOLUTE)
  get_filename_component(rcDirectory "${rc}" DIRECTORY)
  set(res "${CMAKE_CURRENT_BINARY_DIR}/${R_NAME}.res")
  set(includes --include-dir=${rcDirectory})
  foreach(directory IN LISTS R_INCLUDE_DIRS)
    list(APPEND includes --include-dir=${directory})
  endforeach()
  add_custom_command(OUTPUT "${res}"
    COMMAND "${QUENVAR_WINDRES}" --preprocessor=${QUENVAR_RC_PREPROCESSOR}
            --preprocessor-arg=-xc --preprocessor-arg=-DRC_INVOKED
            ${includes} -O res -o "${res}" "${rc}"
    DEPENDS "${rc}" ${R_DEPENDS}
    COMMENT "Compiling resources ${R_NAME}.res"
    VERBATIM)
  add_custom_target(${R_NAME} DEPENDS "${res}")
  set_target_properties(${R_NAME} PROPERTIES QUENVAR_RES_FILE "${res}")
endfunction()

function(quenvar_embed_resources)
  cmake_parse_arguments(E "" "TARGET;RESOURCES" "" ${ARGN})
  get_target_property(res ${E_RESOURCES} QUENVAR_RES_FILE)
  if(WIN32)
    # A Windows DLL carries them in its own resource section: the .res as a COFF object.
    set(object "${CMAKE_CURRENT_BINARY_DIR}/${E_TARGET}_rsrc.obj")
    add_custom_command(OUTPUT "${object}"
      COMMAND "${CMAKE_RC_COMPILER}" -J res -O coff -i "${res}" -o "${object}"
      DEPENDS "${res}" ${E_RESOURCES}
      VERBATIM)
    target_sources(${E_TARGET} PRIVATE "${object}")
    return()
  endif()
  # An assembler .incbin into a section without the "a" flag: the linker keeps it in the file
  # but it is never mapped, and the object (so the library) is rebuilt when the .res changes.
  set(embed "${CMAKE_CURRENT_BINARY_DIR}/${E_TARGET}_rsrc.c")
  file(CONFIGURE OUTPUT "${embed}" CONTENT
    "__asm__(\".pushsection .rsrc,\\\"\\\",@progbits\\n.incbin \\\"${res}\\\"\\n.popsection\\n\");\n")
  target_sources(${E_TARGET} PRIVATE "${embed}")
  set_source_files_properties("${embed}" PROPERTIES OBJECT_DEPENDS "${res}")
  add_dependencies(${E_TARGET} ${E_RESOURCES})
endfunction()
