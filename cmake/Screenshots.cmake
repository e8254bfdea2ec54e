# ZobScreenshots renders the README's pictures of the editor from the real components, with
# the factory kicks rendered beside it where the processor looks for them
# (tools/dev.sh screenshots).
set (ZOB_SCREENSHOTS_DIR "${CMAKE_BINARY_DIR}/screenshots")
add_executable (ZobScreenshots "${PROJECT_SOURCE_DIR}/tools/Screenshots/Screenshots.cpp")
target_link_libraries (ZobScreenshots PRIVATE ZobCore)
set_target_properties (ZobScreenshots PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${ZOB_SCREENSHOTS_DIR}")

set (ZOB_SCREENSHOT_KICKS_STAMP "${CMAKE_CURRENT_BINARY_DIR}/screenshot-kicks.stamp")
add_custom_command (
    OUTPUT "${ZOB_SCREENSHOT_KICKS_STAMP}"
    COMMAND ZobKickSynth "${ZOB_SCREENSHOTS_DIR}/ZOB Presets"
    COMMAND "${CMAKE_COMMAND}" -E touch "${ZOB_SCREENSHOT_KICKS_STAMP}"
    DEPENDS ZobKickSynth "${PROJECT_SOURCE_DIR}/tools/KickSynth/FactoryKicks.h" "${PROJECT_SOURCE_DIR}/tools/KickSynth/KickSynthesiser.h"
    COMMENT "Rendering the factory kicks for the screenshots"
    VERBATIM)
add_custom_target (ZobScreenshotKicks DEPENDS "${ZOB_SCREENSHOT_KICKS_STAMP}")
add_dependencies (ZobScreenshots ZobScreenshotKicks)
