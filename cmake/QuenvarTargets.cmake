# Settings shared by every target of our own: the language level and the warnings.
function(quenvar_target_defaults target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(QUENVAR_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# In the Windows-convention build, fails the build of the library `target` when its code calls
# __tls_get_addr: GCC emits that call inside ms_abi functions without saving the registers their
# callers expect kept, and no compiler warns of it.
function(quenvar_forbid_tls_calls target)
  if(NOT QUENVAR_WINDOWS_ABI)
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DLIBRARY=$<TARGET_FILE:${target}>
      -P ${PROJECT_SOURCE_DIR}/cmake/ForbidTlsCalls.cmake
    VERBATIM)
endfunction()

# One GoogleTest executable, discovered by CTest. The tests named in THREADED (Suite.Test) run
# many threads at once and carry the CTest label "threads", which CI runs under ThreadSanitizer.
#   quenvar_add_test(NAME name SOURCES ... LIBRARIES ... [THREADED Suite.Test ...])
function(quenvar_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBRARIES;THREADED" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  quenvar_target_defaults(${T_NAME})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBRARIES} GTest::gtest GTest::gmock GTest::gtest_main)
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  set(environment ENVIRONMENT "QUENVAR_BUILD_DIR=${PROJECT_BINARY_DIR}")
  if(NOT T_THREADED)
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES ${environment})
    return()
  endif()
  list(JOIN T_THREADED ":" threaded)
  gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 TEST_FILTER "-${threaded}" PROPERTIES ${environment})
  gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 TEST_FILTER "${threaded}"
    PROPERTIES ${environment} LABELS threads)
endfunction()
