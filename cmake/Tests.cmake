# One GoogleTest executable per source area (tests/engine, tests/library, tests/ui, ...),
# each test registered with CTest on its own so it runs in a process of its own. An area's
# tests carry its name as a CTest label (ctest -L concurrency runs the thread tests alone).
find_package (GTest REQUIRED)
include (GoogleTest)

file (GLOB ZOB_TEST_SUPPORT_SOURCES CONFIGURE_DEPENDS
    "${PROJECT_SOURCE_DIR}/tests/support/*.cpp"
    "${PROJECT_SOURCE_DIR}/tests/support/*.c")
add_library (ZobTestSupport STATIC ${ZOB_TEST_SUPPORT_SOURCES})
target_link_libraries (ZobTestSupport PUBLIC ZobCore GTest::gtest)
target_include_directories (ZobTestSupport PUBLIC "${PROJECT_SOURCE_DIR}/tests")

# The support library defines the C library's allocation, lock and file functions to count
# what the audio thread does (RealtimeHooks.c); every test program exports them, so code it
# loads at run time (a plug-in binary) calls them as well.
set (ZOB_REALTIME_HOOK_EXPORTS "LINKER:--dynamic-list=${PROJECT_SOURCE_DIR}/tests/support/RealtimeHooks.dynlist")

function (zob_add_test_area area)
    file (GLOB area_sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/${area}/*.cpp")
    if (NOT area_sources)
        return()
    endif()
    string (SUBSTRING "${area}" 0 1 first)
    string (TOUPPER "${first}" first)
    string (SUBSTRING "${area}" 1 -1 rest)
    set (target "Zob${first}${rest}Tests")
    add_executable (${target} ${area_sources})
    # The support library carries main() and the allocation hooks; keep all of it.
    target_link_libraries (${target} PRIVATE -Wl,--whole-archive ZobTestSupport -Wl,--no-whole-archive ZobCore GTest::gtest)
    target_link_options (${target} PRIVATE ${ZOB_REALTIME_HOOK_EXPORTS})
    gtest_discover_tests (${target}
        DISCOVERY_MODE PRE_TEST
        WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}"
        PROPERTIES
            LABELS ${area}
            ENVIRONMENT "ZOB_SOURCE_DIR=${PROJECT_SOURCE_DIR};ZOB_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()

foreach (area engine library ui rt concurrency)
    zob_add_test_area (${area})
endforeach()

# The drag-out tests play an X drag-and-drop peer themselves, on an Xlib connection of their own.
if (TARGET ZobUiTests AND CMAKE_SYSTEM_NAME STREQUAL "Linux")
    find_package (X11 REQUIRED)
    target_link_libraries (ZobUiTests PRIVATE X11::X11)
endif()

# The editor tests run the real editor against a factory kick library of their own: the
# factory kicks rendered beside their program, where the processor looks for them. Other
# test programs keep starting without factory kicks.
if (TARGET ZobUiTests AND TARGET ZobKickSynth)
    set (ZOB_UI_TESTS_DIR "${CMAKE_BINARY_DIR}/ui-tests")
    set_target_properties (ZobUiTests PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${ZOB_UI_TESTS_DIR}")
    set (ZOB_UI_TEST_KICKS_STAMP "${CMAKE_CURRENT_BINARY_DIR}/ui-test-kicks.stamp")
    add_custom_command (
        OUTPUT "${ZOB_UI_TEST_KICKS_STAMP}"
        COMMAND ZobKickSynth "${ZOB_UI_TESTS_DIR}/ZOB Presets"
        COMMAND "${CMAKE_COMMAND}" -E touch "${ZOB_UI_TEST_KICKS_STAMP}"
        DEPENDS ZobKickSynth
        COMMENT "Rendering the factory kicks for the editor tests"
        VERBATIM)
    add_custom_target (ZobUiTestKicks DEPENDS "${ZOB_UI_TEST_KICKS_STAMP}")
    add_dependencies (ZobUiTests ZobUiTestKicks)
endif()
