# The plug-in. JUCE's shared-code target (ZOB) holds all of the program's own code and the
# JUCE modules; the Standalone and VST3 wrappers, the tests and the benchmarks link it.
juce_add_plugin (ZOB
    COMPANY_NAME "Corvale Audio"
    PRODUCT_NAME "ZOB"
    VERSION 1.3.0
    PLUGIN_MANUFACTURER_CODE Crvl
    PLUGIN_CODE Zobk
    FORMATS Standalone VST3
    IS_SYNTH TRUE
    NEEDS_MIDI_INPUT TRUE
    NEEDS_MIDI_OUTPUT FALSE
    IS_MIDI_EFFECT FALSE
    EDITOR_WANTS_KEYBOARD_FOCUS TRUE
    COPY_PLUGIN_AFTER_BUILD FALSE
    NEEDS_CURL TRUE
    VST3_CATEGORIES Instrument Drum)

file (GLOB_RECURSE ZOB_SOURCES CONFIGURE_DEPENDS
    "${PROJECT_SOURCE_DIR}/engine/*.cpp"
    "${PROJECT_SOURCE_DIR}/library/*.cpp"
    "${PROJECT_SOURCE_DIR}/ui/*.cpp")
target_sources (ZOB PRIVATE ${ZOB_SOURCES})
target_include_directories (ZOB PUBLIC "${PROJECT_SOURCE_DIR}")

target_compile_definitions (ZOB PUBLIC
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=1
    JUCE_VST3_CAN_REPLACE_VST2=0
    JUCE_STRICT_REFCOUNTEDPOINTER=1)

target_link_libraries (ZOB
    PRIVATE
        juce::juce_audio_utils
        juce::juce_dsp
        PkgConfig::ZOB_SYSTEM_CODECS
    PUBLIC
        juce::juce_recommended_config_flags
        juce::juce_recommended_warning_flags)

# Only the vector math needs to know that libmvec is there (cmake/Dependencies.cmake).
if (ZOB_HAVE_LIBMVEC)
    set_source_files_properties ("${PROJECT_SOURCE_DIR}/engine/VectorMath.cpp" PROPERTIES COMPILE_DEFINITIONS ZOB_HAVE_LIBMVEC=1)
    target_link_libraries (ZOB PRIVATE mvec)
endif()

# The LENGTH envelope's gains are chosen with comparisons; the compiler runs such loops
# several values at a time only where it may assume that floating-point operations do not
# trap, which changes no result.
set_source_files_properties ("${PROJECT_SOURCE_DIR}/engine/KickVoice.cpp" PROPERTIES COMPILE_OPTIONS -fno-trapping-math)

# Everything else (tests, benchmarks, tools) links ZobCore: the shared code plus the
# include paths and definitions its headers need, without compiling JUCE a second time.
add_library (ZobCore INTERFACE)
target_link_libraries (ZobCore INTERFACE ZOB PkgConfig::ZOB_SYSTEM_CODECS)
target_compile_definitions (ZobCore INTERFACE $<TARGET_PROPERTY:ZOB,COMPILE_DEFINITIONS>)
target_include_directories (ZobCore INTERFACE $<TARGET_PROPERTY:ZOB,INCLUDE_DIRECTORIES>)
