# Step-to-exposure latency of a whole observation: a 100-step scan with both cameras at every
# step, at the shortest step duration the setup allows, on the simulated instrument in real
# time. Prints the latency from each step's announcement to each camera's exposure start
# (median, worst), the fraction of each step left unused, and the frames lost. Not a test.
add_executable(run_bench ${CMAKE_CURRENT_LIST_DIR}/run_bench.cpp)
target_link_libraries(run_bench PRIVATE helx_observing GTest::gtest GTest::gtest_main)
target_link_options(run_bench PRIVATE -Wl,--wrap=_Z16AnnounceScanStepv)
add_dependencies(run_bench pcomm32)

# Memory over 200 scans: resident growth per scan. Not a test.
add_executable(memory_bench ${CMAKE_CURRENT_LIST_DIR}/memory_bench.cpp)
target_link_libraries(memory_bench PRIVATE helx_observing GTest::gtest)
add_dependencies(memory_bench pcomm32)
