# Embedded resources of the widget kit, linked into the shared code target ZOB.
#
# - ZobFontData: the three weights of the UI type family, embedded unmodified from Debian's
#   fonts-manrope package (OFL-1.1); nothing is looked up among the system's fonts at run time.
# - ZobArtData: the knob face and the grain overlay, our own art, drawn at build time by
#   ZobArtGenerator (resources/ArtGenerator.cpp) and embedded the same way.
# The code reaches both only through ui/kit/EmbeddedResources.h.

set (ZOB_FONT_FOLDER "/usr/share/fonts/truetype/manrope" CACHE PATH "Folder holding the Manrope TrueType files")

foreach (weight Regular SemiBold Bold)
    if (NOT EXISTS "${ZOB_FONT_FOLDER}/Manrope-${weight}.ttf")
        message (FATAL_ERROR "Manrope-${weight}.ttf not found in ${ZOB_FONT_FOLDER}: install fonts-manrope (tools/dev.sh does)")
    endif()
endforeach()

juce_add_binary_data (ZobFontData
    NAMESPACE ZobFontData
    HEADER_NAME ZobFontData.h
    SOURCES
        "${ZOB_FONT_FOLDER}/Manrope-Regular.ttf"
        "${ZOB_FONT_FOLDER}/Manrope-SemiBold.ttf"
        "${ZOB_FONT_FOLDER}/Manrope-Bold.ttf")
set_target_properties (ZobFontData PROPERTIES POSITION_INDEPENDENT_CODE ON)

# The art generator: a small JUCE console program that draws the images deterministically.
juce_add_console_app (ZobArtGenerator PRODUCT_NAME "ZobArtGenerator")
target_sources (ZobArtGenerator PRIVATE "${PROJECT_SOURCE_DIR}/resources/ArtGenerator.cpp")
target_compile_definitions (ZobArtGenerator PRIVATE
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_DISPLAY_SPLASH_SCREEN=0)
target_link_libraries (ZobArtGenerator PRIVATE
    juce::juce_graphics
    PkgConfig::ZOB_SYSTEM_CODECS
    juce::juce_recommended_config_flags)

# juce_add_binary_data wants its files to exist at configure time, which generated files do
# not; so the art library runs the generator and JUCE's binary-data tool itself.
set (ZOB_ART_FOLDER "${CMAKE_CURRENT_BINARY_DIR}/zob_art")
set (ZOB_ART_CODE_FOLDER "${ZOB_ART_FOLDER}/JuceLibraryCode")
set (ZOB_ART_IMAGES "${ZOB_ART_FOLDER}/knob.png" "${ZOB_ART_FOLDER}/grain.png")
set (ZOB_ART_SOURCES "${ZOB_ART_CODE_FOLDER}/BinaryData1.cpp" "${ZOB_ART_CODE_FOLDER}/BinaryData2.cpp")
file (MAKE_DIRECTORY "${ZOB_ART_CODE_FOLDER}")
file (WRITE "${ZOB_ART_FOLDER}/input_file_list" "${ZOB_ART_FOLDER}/knob.png\n${ZOB_ART_FOLDER}/grain.png\n")

add_custom_command (OUTPUT ${ZOB_ART_IMAGES}
    COMMAND ZobArtGenerator "${ZOB_ART_FOLDER}"
    DEPENDS ZobArtGenerator
    COMMENT "Drawing the knob face and the grain overlay"
    VERBATIM)

add_custom_command (OUTPUT ${ZOB_ART_SOURCES} "${ZOB_ART_CODE_FOLDER}/ZobArtData.h"
    COMMAND juce::juceaide binarydata ZobArtData ZobArtData.h "${ZOB_ART_CODE_FOLDER}" "${ZOB_ART_FOLDER}/input_file_list"
    DEPENDS ${ZOB_ART_IMAGES} "${ZOB_ART_FOLDER}/input_file_list"
    VERBATIM)

add_library (ZobArtData STATIC ${ZOB_ART_SOURCES} "${ZOB_ART_CODE_FOLDER}/ZobArtData.h")
target_include_directories (ZobArtData INTERFACE "${ZOB_ART_CODE_FOLDER}")
target_compile_features (ZobArtData PRIVATE cxx_std_17)
set_target_properties (ZobArtData PROPERTIES POSITION_INDEPENDENT_CODE ON)

target_link_libraries (ZOB PRIVATE ZobFontData ZobArtData)
