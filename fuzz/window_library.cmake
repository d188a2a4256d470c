# Fuzz targets of the window library: linked against the shared libraries alone (the
# core's static variant beside them would bring a second copy of every exported
# global), with a Qt application for measuring text, and toolbox-ui instrumented for
# coverage like the core. Without the window library such a target is not built.
function(tb_window_fuzz_target target)
  if(NOT TARGET toolbox-ui)
    set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL ON)
    return()
  endif()
  find_package(Qt6 REQUIRED COMPONENTS Gui)
  get_target_property(ui_options toolbox-ui COMPILE_OPTIONS)
  if(NOT ui_options MATCHES "fuzzer-no-link")
    target_compile_options(toolbox-ui PRIVATE -fsanitize=fuzzer-no-link)
  endif()
  set_property(TARGET ${target} PROPERTY LINK_LIBRARIES toolbox-ui Qt6::Gui)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()
