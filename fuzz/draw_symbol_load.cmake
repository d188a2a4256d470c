# The symbol loader lives in the window library: see fuzz/window_library.cmake.
include(${CMAKE_CURRENT_SOURCE_DIR}/window_library.cmake)
tb_window_fuzz_target(fuzz_draw_symbol_load)
