# Plug-ins for the library registry tests, built beside toolbox-core where the name
# rules look first: libTbProbe.so (found as "TbProbe.dll") and libtbprobelower.so
# (found as "TbProbeLower.dll" through the lower-cased name).
foreach(probe TbProbe tbprobelower)
  add_library(${probe}_plugin SHARED ${CMAKE_CURRENT_SOURCE_DIR}/services/probe_plugin.c)
  set_target_properties(${probe}_plugin PROPERTIES OUTPUT_NAME ${probe}
    LIBRARY_OUTPUT_DIRECTORY $<TARGET_FILE_DIR:toolbox-core>)
  add_dependencies(${name} ${probe}_plugin)
endforeach()
