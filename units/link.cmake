# The default unit and materials catalogues live in "template/" beside the library:
# copied there in the build tree and installed next to it.
set(TOOLBOX_UNIT_TEMPLATES ${PROJECT_SOURCE_DIR}/template/units.skl ${PROJECT_SOURCE_DIR}/template/materials.skl)
add_custom_command(TARGET toolbox-core POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:toolbox-core>/template
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${TOOLBOX_UNIT_TEMPLATES} $<TARGET_FILE_DIR:toolbox-core>/template
  COMMENT "Copying the unit and materials catalogues beside toolbox-core")
if(TOOLBOX_INSTALL)
  install(FILES ${TOOLBOX_UNIT_TEMPLATES} DESTINATION ${CMAKE_INSTALL_LIBDIR}/template)
endif()
