# Install rules in three components, which are also the Debian packages
# (cmake/ToolboxPackaging.cmake): runtime (libraries, plug-ins, data files, the crash
# reporter), development (headers, CMake package, pkg-config module) and tools (tbx).
include(CMakePackageConfigHelpers)

# Only the public interface is installed: include/toolbox as it stands, and the
# generated version header. Internal headers stay beside their sources; toolbox-ui
# installs its own headers.
install(DIRECTORY include/toolbox DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development
  PATTERN ui EXCLUDE PATTERN toolbox-ui.h EXCLUDE)
install(FILES ${PROJECT_BINARY_DIR}/include/toolbox/version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/toolbox COMPONENT development)

install(TARGETS toolbox-core EXPORT toolboxTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(EXPORT toolboxTargets NAMESPACE toolbox:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/toolbox
  COMPONENT development)

configure_package_config_file(cmake/toolboxConfig.cmake.in
  ${PROJECT_BINARY_DIR}/toolboxConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/toolbox)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/toolboxConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/toolboxConfig.cmake ${PROJECT_BINARY_DIR}/toolboxConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/toolbox COMPONENT development)

# The module finds its prefix relative to itself, so an installed tree can move.
file(RELATIVE_PATH TOOLBOX_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
configure_file(cmake/toolbox-core.pc.in ${PROJECT_BINARY_DIR}/toolbox-core.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/toolbox-core.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT development)

include(cmake/ToolboxPackaging.cmake)
