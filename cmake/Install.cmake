# What `cmake --install` puts under the prefix, all in one place: the platform library and the
# component beside it, the tools (finding the library through their run path), the headers a C++
# client needs, a pkg-config file, a CMake package and the tools' manual pages.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(QUENVAR_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/quenvar)
set(QUENVAR_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Quenvar)

# The component finds the platform library beside it; the tools one folder up.
set_target_properties(platform Quenvar PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(palvex regsvr reg PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

install(TARGETS platform Quenvar LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS palvex regsvr reg RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(DIRECTORY ${PROJECT_SOURCE_DIR}/platform/include/platform DESTINATION ${QUENVAR_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/component/IPalvex.h DESTINATION ${QUENVAR_INSTALL_INCLUDEDIR}/component)

file(RELATIVE_PATH QUENVAR_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/quenvar.pc.in ${PROJECT_BINARY_DIR}/quenvar.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/quenvar.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/QuenvarConfig.cmake.in
  ${PROJECT_BINARY_DIR}/QuenvarConfig.cmake
  INSTALL_DESTINATION ${QUENVAR_INSTALL_CMAKEDIR}
  PATH_VARS QUENVAR_INSTALL_INCLUDEDIR CMAKE_INSTALL_LIBDIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QuenvarConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QuenvarConfig.cmake ${PROJECT_BINARY_DIR}/QuenvarConfigVersion.cmake
  DESTINATION ${QUENVAR_INSTALL_CMAKEDIR})

install(FILES ${PROJECT_SOURCE_DIR}/man/palvex.1 ${PROJECT_SOURCE_DIR}/man/regsvr.1 ${PROJECT_SOURCE_DIR}/man/reg.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
