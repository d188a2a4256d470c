# The colouring editor's model is compiled into the fuzz target itself (it needs no Qt),
# so that the fuzzer sees its coverage.
file(GLOB coloredit_model_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/controls/coloredit/model/*.cpp)
target_sources(fuzz_coloredit_pattern PRIVATE ${coloredit_model_sources})
