# The colouring editor's model needs no Qt: its sources are compiled in.
file(GLOB coloredit_model_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/controls/coloredit/model/*.cpp)
target_sources(bench_coloredit PRIVATE ${coloredit_model_sources})
target_compile_definitions(bench_coloredit PRIVATE TOOLBOX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
