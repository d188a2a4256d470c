# Language files live beside the library, where start-up looks for them: copied there
# in the build tree and installed next to it.
file(GLOB TOOLBOX_LANGUAGE_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/lang/*.lang)
add_custom_command(TARGET toolbox-core POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${TOOLBOX_LANGUAGE_FILES} $<TARGET_FILE_DIR:toolbox-core>
  COMMENT "Copying the language files beside toolbox-core")
if(TOOLBOX_INSTALL)
  install(FILES ${TOOLBOX_LANGUAGE_FILES} DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
