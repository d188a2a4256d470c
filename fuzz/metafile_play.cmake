# The player and the compound-file reader live in the window library: their sources
# are compiled into the target (for their coverage), the contexts come from toolbox-ui.
if(TARGET toolbox-ui AND TARGET PkgConfig::GSF)
  find_package(Qt6 REQUIRED COMPONENTS Gui)
  target_sources(fuzz_metafile_play PRIVATE ${PROJECT_SOURCE_DIR}/controls/preview/metafile_player.cpp
    ${PROJECT_SOURCE_DIR}/controls/preview/compound_file.cpp)
  target_link_libraries(fuzz_metafile_play PRIVATE toolbox-ui Qt6::Gui PkgConfig::GSF)
else()
  set_target_properties(fuzz_metafile_play PROPERTIES EXCLUDE_FROM_ALL ON)
endif()
