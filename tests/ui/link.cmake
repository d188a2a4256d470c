# The window tests drive Qt widgets with real key and mouse events.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
target_link_libraries(${name} PRIVATE toolbox::ui Qt6::Test)
