# Every install rule of the project, in three components, which are also the Debian
# packages (cmake/ToolboxPackaging.cmake): runtime (libraries, plug-ins, data files, the
# crash reporter), development (headers, CMake package, pkg-config modules) and tools
# (tbx). The folders' CMakeLists.txt files only build; this file says what is shipped.
include(CMakePackageConfigHelpers)

# Only the public interface is installed: include/toolbox as it stands, and the
# generated version header. Internal headers stay beside their sources; toolbox-ui
# installs its own headers.
# ---------------------------------------------------------------- toolbox-core
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

# Data files the core looks for beside itself: the language files, the unit and
# material catalogues (template/), as the folders that copy them in the build tree list them.
get_directory_property(language_files DIRECTORY resources DEFINITION language_files)
install(FILES ${language_files} DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime)
get_directory_property(catalogues DIRECTORY units DEFINITION catalogues)
install(FILES ${catalogues} DESTINATION ${CMAKE_INSTALL_LIBDIR}/template COMPONENT runtime)

# The formula plug-ins, found by name beside the library.
get_directory_property(formula_plugins DIRECTORY formula DEFINITION FORMULA_PLUGINS)
foreach(plugin ${formula_plugins})
  install(TARGETS formula-${plugin} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime)
endforeach()

# The crash reporter program, started by the crash handler.
install(TARGETS toolbox-crash-reporter RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/toolbox COMPONENT runtime)

# ---------------------------------------------------------------- toolbox-ui
# The same components (and Debian packages) as the core: the library in runtime,
# headers, CMake package component "ui" and pkg-config module in development.
if(TARGET toolbox-ui)
  install(DIRECTORY include/toolbox/ui DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/toolbox COMPONENT development)
  install(FILES include/toolbox/toolbox-ui.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/toolbox COMPONENT development)
  install(TARGETS toolbox-ui EXPORT toolboxUiTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
  # find_package(toolbox COMPONENTS ui)
  install(EXPORT toolboxUiTargets NAMESPACE toolbox:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/toolbox
    COMPONENT development)
  configure_file(cmake/toolbox-ui.pc.in ${PROJECT_BINARY_DIR}/toolbox-ui.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/toolbox-ui.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
    COMPONENT development)
  # The colouring editor's configuration beside the library and the syntax descriptions
  # it names, in the folder toolbox-syntax next to it.
  get_directory_property(coloredit_descriptions DIRECTORY controls/coloredit DEFINITION coloredit_descriptions)
  install(FILES controls/coloredit/data/vexaedit.cfg DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime)
  install(FILES ${coloredit_descriptions} DESTINATION ${CMAKE_INSTALL_LIBDIR}/toolbox-syntax COMPONENT runtime)
endif()

# ---------------------------------------------------------------- tools
if(TARGET tbx)
  install(TARGETS tbx RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
  install(FILES ${PROJECT_BINARY_DIR}/man/man1/tbx.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)
  install(FILES ${PROJECT_BINARY_DIR}/man/man5/toolbox-config.5 DESTINATION ${CMAKE_INSTALL_MANDIR}/man5
    COMPONENT tools)
endif()

include(cmake/ToolboxPackaging.cmake)
