# Scanner benchmark: step-to-announcement latency over a 100-step scan at real time, with the
# monitoring loop taking the frames, and the CPU time the scan's polling costs.
# Included by bench/CMakeLists.txt.
add_executable(scanner_bench ${CMAKE_CURRENT_LIST_DIR}/scanner_bench.cpp
                         ${CMAKE_CURRENT_LIST_DIR}/step_watch.cpp)
target_link_libraries(scanner_bench PRIVATE helx_app helx_simcommon ${CMAKE_DL_LIBS})
# Each announcement is timed where it is made.
target_link_options(scanner_bench PRIVATE -Wl,--wrap=_Z16AnnounceScanStepv
                    -Wl,--wrap=_Z20SetScanStepPositionsddd)
target_include_directories(scanner_bench PRIVATE ${CMAKE_SOURCE_DIR})
add_dependencies(scanner_bench pcomm32)
