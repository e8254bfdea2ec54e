# Google Benchmark programs: run by hand, never part of the test run's pass or fail.
find_package (benchmark QUIET)
if (NOT benchmark_FOUND)
    message (STATUS "Google Benchmark not found: benchmarks are not built")
    return()
endif()

# One main for every program (benchmarks/support): a private HOME and TMPDIR, then JUCE.
add_library (ZobBenchmarkSupport STATIC
    "${PROJECT_SOURCE_DIR}/benchmarks/support/BenchmarkMain.cpp"
    "${PROJECT_SOURCE_DIR}/tests/support/TestEnvironment.cpp")
target_link_libraries (ZobBenchmarkSupport PUBLIC ZobCore benchmark::benchmark)
target_include_directories (ZobBenchmarkSupport PUBLIC "${PROJECT_SOURCE_DIR}/tests")

file (GLOB ZOB_BENCHMARK_SOURCES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/benchmarks/*.cpp")
foreach (source ${ZOB_BENCHMARK_SOURCES})
    get_filename_component (name "${source}" NAME_WE)
    add_executable (${name} "${source}")
    target_link_libraries (${name} PRIVATE ZobBenchmarkSupport)
endforeach()
