# The factory kick library. ZobKickSynth renders it (deterministically, from the recipes in
# tools/KickSynth/FactoryKicks.h) into a "ZOB Presets" folder beside the Standalone executable
# and beside the VST3 bundle, where the processor looks for it.
add_executable (ZobKickSynth "${PROJECT_SOURCE_DIR}/tools/KickSynth/KickSynth.cpp")
target_link_libraries (ZobKickSynth PRIVATE ZobCore)

set (ZOB_ARTEFACTS_DIR "$<GENEX_EVAL:$<TARGET_PROPERTY:ZOB,LIBRARY_OUTPUT_DIRECTORY>>")
set (ZOB_FACTORY_KICKS_STAMP "${CMAKE_CURRENT_BINARY_DIR}/factory-kicks.stamp")

add_custom_command (
    OUTPUT "${ZOB_FACTORY_KICKS_STAMP}"
    COMMAND ZobKickSynth "${ZOB_ARTEFACTS_DIR}/Standalone/ZOB Presets" "${ZOB_ARTEFACTS_DIR}/VST3/ZOB Presets"
    COMMAND "${CMAKE_COMMAND}" -E touch "${ZOB_FACTORY_KICKS_STAMP}"
    DEPENDS ZobKickSynth "${PROJECT_SOURCE_DIR}/tools/KickSynth/FactoryKicks.h" "${PROJECT_SOURCE_DIR}/tools/KickSynth/KickSynthesiser.h"
    COMMENT "Rendering the factory kicks"
    VERBATIM)

add_custom_target (ZobFactoryKicks ALL DEPENDS "${ZOB_FACTORY_KICKS_STAMP}")
add_dependencies (ZOB_Standalone ZobFactoryKicks)
add_dependencies (ZOB_VST3 ZobFactoryKicks)
