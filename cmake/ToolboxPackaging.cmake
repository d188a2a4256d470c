# Debian packages from the build tree, one per install component:
#   libtoolbox        the shared libraries, formula plug-ins, catalogues, language files
#                     and the crash reporter
#   libtoolbox-dev    headers, CMake package, pkg-config module
#   toolbox-tools     the tbx program
#   python3-toolbox   the Python package toolbox (when TOOLBOX_BUILD_PYTHON is on)
# Build them with `cpack -G DEB` in the build folder (scripts/package does it).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME toolbox)
set(CPACK_PACKAGE_VENDOR "VELTRANIX")
set(CPACK_PACKAGE_CONTACT "VELTRANIX toolbox developers <toolbox@veltranix.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development tools)
if(TOOLBOX_BUILD_PYTHON)
  list(APPEND CPACK_COMPONENTS_ALL python)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Library dependencies come from the binaries themselves (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# tbx and the reporter link the libraries of the runtime package, which are built here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR} ${PROJECT_BINARY_DIR}/controls/window)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libtoolbox)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "Shared libraries, formula plug-ins, catalogues and crash reporter of the toolbox library")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libtoolbox-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "Headers, CMake package and pkg-config module of the toolbox library")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME toolbox-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION science)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION "tbx: data files, units, numbers and XXencode of the toolbox library from the shell")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-toolbox)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_COMPONENT_PYTHON_DEPENDS runtime)
# numpy is imported by the package; pandas only by Record.to_pandas.
# The extension module is built for one Python version.
math(EXPR toolbox_python_next "${Python3_VERSION_MINOR} + 1")
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
  "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}), python3 (<< ${Python3_VERSION_MAJOR}.${toolbox_python_next}), python3-numpy")
set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS "python3-pandas")
set(CPACK_COMPONENT_PYTHON_DESCRIPTION "toolbox for Python: every data file format of the toolbox library into numpy arrays and pandas")

include(CPack)
