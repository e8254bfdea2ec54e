# Host-side tests: a small VST3 host, built from JUCE's own modules and none of the program's
# code, loads the built ZOB.vst3 bundle and checks it the way a strict host or validator would.
option (ZOB_BUILD_HOST_TESTS "Build the tests that load the VST3 bundle in a host" ON)
if (NOT ZOB_BUILD_HOST_TESTS)
    return()
endif()

juce_add_console_app (ZobHostTests PRODUCT_NAME "ZobHostTests")
file (GLOB ZOB_HOST_TEST_SOURCES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/host/*.cpp")
target_sources (ZobHostTests PRIVATE
    ${ZOB_HOST_TEST_SOURCES}
    "${PROJECT_SOURCE_DIR}/tests/support/TestMain.cpp"
    "${PROJECT_SOURCE_DIR}/tests/support/TestEnvironment.cpp"
    "${PROJECT_SOURCE_DIR}/tests/support/ChildProcess.cpp")
target_include_directories (ZobHostTests PRIVATE "${PROJECT_SOURCE_DIR}/tests")
target_compile_definitions (ZobHostTests PRIVATE
    JUCE_PLUGINHOST_VST3=1
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_STANDALONE_APPLICATION=1
    JUCE_MODAL_LOOPS_PERMITTED=1
    ZOB_VST3_BINARY_FOLDER="$<TARGET_FILE_DIR:ZOB_VST3>")
target_link_libraries (ZobHostTests PRIVATE
    juce::juce_audio_processors
    juce::juce_audio_formats
    juce::juce_gui_basics
    PkgConfig::ZOB_SYSTEM_CODECS
    GTest::gtest
    juce::juce_recommended_config_flags)
add_dependencies (ZobHostTests ZOB_VST3)

gtest_discover_tests (ZobHostTests
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}"
    PROPERTIES LABELS host)
