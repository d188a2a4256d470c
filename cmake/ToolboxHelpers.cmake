# toolbox_collect_sources(<var> <folder>...): the .cpp files directly inside each folder.
function(toolbox_collect_sources out)
  set(result)
  foreach(folder ${ARGN})
    file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
    list(APPEND result ${found})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# toolbox_collect_headers(<var> <folder>...): the .h files directly inside each folder.
function(toolbox_collect_headers out)
  set(result)
  foreach(folder ${ARGN})
    file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h)
    list(APPEND result ${found})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()
