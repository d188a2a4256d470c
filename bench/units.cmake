# The unit catalogue is read from template/ beside the library and the formula plug-ins
# are loaded from there too; linked statically, the "library" is this program, so both
# are linked into its folder.
add_dependencies(bench_units formula-plugins)
add_custom_command(TARGET bench_units POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E create_symlink $<TARGET_FILE_DIR:toolbox-core>/template ${PROJECT_BINARY_DIR}/bench/template
  COMMAND ${CMAKE_COMMAND} -E create_symlink $<TARGET_FILE:formula-quendral> ${PROJECT_BINARY_DIR}/bench/$<TARGET_FILE_NAME:formula-quendral>
  COMMAND ${CMAKE_COMMAND} -E create_symlink $<TARGET_FILE:formula-lurvenc> ${PROJECT_BINARY_DIR}/bench/$<TARGET_FILE_NAME:formula-lurvenc>
  COMMAND ${CMAKE_COMMAND} -E create_symlink $<TARGET_FILE:formula-vexa2000> ${PROJECT_BINARY_DIR}/bench/$<TARGET_FILE_NAME:formula-vexa2000>
  VERBATIM)
