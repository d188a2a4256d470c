# toolbox_glob(<var> <extension> <folder>...): the files with that extension directly
# inside each folder, e.g. toolbox_glob(sources cpp services exchange).
function(toolbox_glob out extension)
  set(result)
  foreach(folder ${ARGN})
    file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.${extension})
    list(APPEND result ${found})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()
