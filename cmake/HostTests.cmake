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
    "${PROJECT_SOURCE_DIR}/tests/support/ChildProcess.cpp"
    "${PROJECT_SOURCE_DIR}/tests/support/RealtimeHooks.c"
    "${PROJECT_SOURCE_DIR}/tests/support/RealtimeTrap.cpp")
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
target_link_options (ZobHostTests PRIVATE ${ZOB_REALTIME_HOOK_EXPORTS})

# JUCE opens the X11 libraries at run time and closes them again when its windowing ends;
# the plug-in's copy of JUCE does so after its editor closes. Xlib keeps allocations that
# only its own globals point to, so once it is unmapped LeakSanitizer reports them as leaks
# of an unknown module and fails the editor test at exit. Linking the libraries keeps them
# mapped for the life of the host, as in any real host application.
find_package (X11 REQUIRED)
target_link_libraries (ZobHostTests PRIVATE
    -Wl,--push-state,--no-as-needed
    X11::X11 X11::Xext X11::Xcursor X11::Xinerama X11::Xrandr X11::Xrender
    -Wl,--pop-state)
add_dependencies (ZobHostTests ZOB_VST3)

gtest_discover_tests (ZobHostTests
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}"
    PROPERTIES LABELS host)
