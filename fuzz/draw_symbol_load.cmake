# The symbol loader lives in the window library: its sources are compiled into the
# target (for their coverage), the drawing comes from toolbox-ui.
if(TARGET toolbox-ui)
  find_package(Qt6 REQUIRED COMPONENTS Gui)
  file(GLOB symbol_fuzz_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/controls/symbols/*.cpp)
  target_sources(fuzz_draw_symbol_load PRIVATE ${symbol_fuzz_sources})
  target_link_libraries(fuzz_draw_symbol_load PRIVATE toolbox-ui Qt6::Gui)
else()
  set_target_properties(fuzz_draw_symbol_load PROPERTIES EXCLUDE_FROM_ALL ON)
endif()
