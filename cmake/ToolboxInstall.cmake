include(CMakePackageConfigHelpers)

# Only the public interface is installed: include/toolbox as it stands. Internal
# headers stay beside their sources.
install(DIRECTORY include/toolbox DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(TARGETS toolbox-core EXPORT toolboxTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(EXPORT toolboxTargets NAMESPACE toolbox:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/toolbox)

configure_package_config_file(cmake/toolboxConfig.cmake.in
  ${PROJECT_BINARY_DIR}/toolboxConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/toolbox)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/toolboxConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/toolboxConfig.cmake ${PROJECT_BINARY_DIR}/toolboxConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/toolbox)

# The module finds its prefix relative to itself, so an installed tree can move.
file(RELATIVE_PATH TOOLBOX_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
configure_file(cmake/toolbox-core.pc.in ${PROJECT_BINARY_DIR}/toolbox-core.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/toolbox-core.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
