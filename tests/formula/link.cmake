# The formula tests reach the engine directly and load the plug-ins by path.
target_link_libraries(${name} PRIVATE formula-engine ${CMAKE_DL_LIBS})
add_dependencies(${name} formula-plugins)
target_compile_definitions(${name} PRIVATE FORMULA_PLUGIN_DIR="$<TARGET_FILE_DIR:formula-quendral>")
