# The demo's helper program mox-demo-tool (scripts/demo.sh): creates the empty
# DBFs of structure files and prepares master/detail tables without a window.
add_executable(mox-demo-tool ${PROJECT_SOURCE_DIR}/scripts/demo/mox_demo_tool.cpp)
target_link_libraries(mox-demo-tool PRIVATE mox_general)
