# The XML crash report is written with pugixml.
find_package(PkgConfig REQUIRED)
pkg_check_modules(PUGIXML REQUIRED IMPORTED_TARGET pugixml)
target_link_libraries(toolbox-core PRIVATE PkgConfig::PUGIXML)
