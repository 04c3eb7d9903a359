# Camera simulator benchmark: synthesis of a 512 x 512 frame with noise against the fastest frame
# rate the program can ask of the camera. Included by bench/CMakeLists.txt.
if(NOT TARGET benchmark::benchmark)
  find_package(benchmark REQUIRED)
endif()
add_executable(camera_bench ${CMAKE_CURRENT_LIST_DIR}/camera_bench.cpp)
target_link_libraries(camera_bench PRIVATE helx_simcamera benchmark::benchmark)
