# Compound files (OLE2 structured storage) of Excel 5.0/95 and 97 workbooks.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GSF REQUIRED IMPORTED_TARGET libgsf-1)
target_link_libraries(toolbox-core PRIVATE PkgConfig::GSF)
# Access databases are read through mdbtools' libmdb.
pkg_check_modules(MDB REQUIRED IMPORTED_TARGET libmdb)
target_link_libraries(toolbox-core PRIVATE PkgConfig::MDB)
