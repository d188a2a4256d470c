# Helpers for the folders' CMakeLists.txt files.

# toolbox_core_link_package(<prefix> <module>...): the core links the pkg-config
# modules; the folder that needs them says so.
function(toolbox_core_link_package prefix)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(${prefix} REQUIRED IMPORTED_TARGET GLOBAL ${ARGN})
  target_link_libraries(toolbox-core-deps INTERFACE PkgConfig::${prefix})
endfunction()

# toolbox_copy_beside_library(<name> <subfolder> <file>...): data files the library
# looks for beside itself, copied there (into <subfolder>, "" for none) at build time.
function(toolbox_copy_beside_library name subfolder)
  set(destination $<TARGET_FILE_DIR:toolbox-core>)
  if(subfolder)
    set(destination ${destination}/${subfolder})
  endif()
  add_custom_target(${name}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${destination}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ARGN} ${destination}
    DEPENDS ${ARGN}
    COMMENT "Copying ${name} beside toolbox-core")
  add_dependencies(toolbox-core-objects ${name})
endfunction()

# toolbox_add_test(<folder> [LIBRARIES <lib>...] [DEPENDS <target>...]): the test
# program of a tests/ folder, built from every .cpp there, linked with the core's
# internal variant and placed beside the library (whose data files it finds there).
function(toolbox_add_test folder)
  cmake_parse_arguments(ARG "" "" "LIBRARIES;DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(name test_${folder})
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE toolbox-core-internal toolbox-test-support
    GTest::gtest GTest::gtest_main ${ARG_LIBRARIES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY $<TARGET_FILE_DIR:toolbox-core>)
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
  set(TOOLBOX_TEST_TARGET ${name} PARENT_SCOPE)
endfunction()
