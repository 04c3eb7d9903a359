# Display benchmark: each stage of a 1024 x 1024 redraw beside a memcpy of the same bytes.
# Included by bench/CMakeLists.txt.
if(NOT TARGET benchmark::benchmark)
  find_package(benchmark REQUIRED)
endif()
add_executable(display_bench ${CMAKE_CURRENT_LIST_DIR}/display_bench.cpp)
target_link_libraries(display_bench PRIVATE helx_display benchmark::benchmark)
