# The engine and the plug-ins' entry points are compiled into the fuzz target itself,
# so that the fuzzer sees their coverage.
file(GLOB formula_fuzz_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/formula/*.cpp ${PROJECT_SOURCE_DIR}/formula/plugins/*.cpp)
target_sources(fuzz_formula_scan PRIVATE ${formula_fuzz_sources})
