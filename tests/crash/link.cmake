# A small host program that installs the crash handler and then crashes in the way
# its first argument names; the tests run it as a child process.
add_executable(crash_host ${CMAKE_CURRENT_SOURCE_DIR}/crash/crash_host.cc)
target_link_libraries(crash_host PRIVATE toolbox::core)
# The host must really fault: sanitizers would report the fault themselves first.
if(TOOLBOX_SANITIZE)
  target_compile_options(crash_host PRIVATE -fno-sanitize=all)
endif()
target_compile_options(crash_host PRIVATE -O0 -g -fno-omit-frame-pointer)
add_dependencies(${name} crash_host toolbox-crash-reporter)
target_compile_definitions(${name} PRIVATE
  CRASH_HOST="$<TARGET_FILE:crash_host>"
  CRASH_REPORTER="$<TARGET_FILE:toolbox-crash-reporter>")
find_package(PkgConfig REQUIRED)
pkg_check_modules(PUGIXML REQUIRED IMPORTED_TARGET pugixml)
target_link_libraries(${name} PRIVATE PkgConfig::PUGIXML)
