# The zip layer writes its archives with libzip.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
target_link_libraries(toolbox-core PRIVATE PkgConfig::LIBZIP)
