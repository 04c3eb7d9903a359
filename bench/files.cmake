# FITS writing and bias averaging against their baselines. Included by bench/CMakeLists.txt.
if(NOT TARGET benchmark::benchmark)
  find_package(benchmark REQUIRED)
endif()
add_executable(files_bench ${CMAKE_CURRENT_LIST_DIR}/files_bench.cpp)
target_link_libraries(files_bench PRIVATE helx_camera benchmark::benchmark)
