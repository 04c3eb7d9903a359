# Step-to-exposure latency of a whole observation: five 100-step scans with both cameras at
# every step, at the shortest step duration the setup allows, on the simulated instrument in
# real time. Prints the latency from each step reached to its announcement and to each
# camera's exposure start, the scan poll's CPU, the fraction of each step left unused, and the
# frames lost. Not a test.
add_executable(run_bench ${CMAKE_CURRENT_LIST_DIR}/run_bench.cpp
                         ${CMAKE_CURRENT_LIST_DIR}/step_watch.cpp)
target_link_libraries(run_bench PRIVATE helx_observing helx_web PkgConfig::HTTPLIB GTest::gtest
                                        GTest::gtest_main)
# Each announcement, each scan's step positions and each scan's poll are timed where they
# happen.
target_link_options(run_bench PRIVATE -Wl,--wrap=_Z16AnnounceScanStepv
                    -Wl,--wrap=_Z20SetScanStepPositionsddd -Wl,--wrap=_Z14ExecuteProgramli)
target_include_directories(run_bench PRIVATE ${CMAKE_SOURCE_DIR})
add_dependencies(run_bench pcomm32)

# Memory over 200 scans: resident growth per scan. Not a test.
add_executable(memory_bench ${CMAKE_CURRENT_LIST_DIR}/memory_bench.cpp)
target_link_libraries(memory_bench PRIVATE helx_observing GTest::gtest)
add_dependencies(memory_bench pcomm32)

# The UI thread's stalls over a whole observation (power-up, OK, a 100-step scan with both
# cameras, Power Off): the longest, what ran, every one over 100 ms. Not a test.
add_executable(ui_stall_bench ${CMAKE_CURRENT_LIST_DIR}/ui_stall_bench.cpp)
target_link_libraries(ui_stall_bench PRIVATE helx_observing GTest::gtest)
add_dependencies(ui_stall_bench pcomm32)
