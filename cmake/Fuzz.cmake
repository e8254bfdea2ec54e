# Fuzz targets (fuzz/targets/*.cpp): each defines LLVMFuzzerTestOneInput for one kind of
# hostile input and keeps a seed corpus in fuzz/corpus/<target>/.
#
# - Every build with tests replays each committed corpus once, deterministically, as a CTest
#   test (fuzz/ReplayMain.cpp feeds every file to the target; any broken rule aborts).
# - With ZOB_FUZZ=ON (clang only) the targets are also built as libFuzzer programs
#   ZobFuzz<target> for long runs by developers; tools/fuzz.sh sets up that build and runs
#   one target.
# - ZobFuzzSeeds rewrites the seed files: build/ZobFuzzSeeds fuzz/corpus
option (ZOB_FUZZ "Build the libFuzzer programs (needs clang)" OFF)

file (GLOB ZOB_FUZZ_TARGETS CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/fuzz/targets/*.cpp")

set (ZOB_FUZZ_SUPPORT_SOURCES
    "${PROJECT_SOURCE_DIR}/fuzz/FuzzSupport.cpp"
    "${PROJECT_SOURCE_DIR}/tests/support/TestEnvironment.cpp")

function (zob_fuzz_executable name)
    add_executable (${name} ${ARGN} ${ZOB_FUZZ_SUPPORT_SOURCES})
    target_include_directories (${name} PRIVATE "${PROJECT_SOURCE_DIR}/fuzz" "${PROJECT_SOURCE_DIR}/tests")
    target_link_libraries (${name} PRIVATE ZobCore)
endfunction()

if (ZOB_BUILD_TESTS)
    foreach (source IN LISTS ZOB_FUZZ_TARGETS)
        get_filename_component (target "${source}" NAME_WE)
        zob_fuzz_executable (ZobFuzzReplay${target} "${source}" "${PROJECT_SOURCE_DIR}/fuzz/ReplayMain.cpp")
        add_test (NAME FuzzCorpus.${target}
                  COMMAND ZobFuzzReplay${target} "${PROJECT_SOURCE_DIR}/fuzz/corpus/${target}")
        set_tests_properties (FuzzCorpus.${target} PROPERTIES LABELS fuzz)
    endforeach()

    zob_fuzz_executable (ZobFuzzSeeds
        "${PROJECT_SOURCE_DIR}/fuzz/MakeSeedCorpora.cpp"
        "${PROJECT_SOURCE_DIR}/tests/support/AudioFiles.cpp"
        "${PROJECT_SOURCE_DIR}/tests/support/KickFileFixtures.cpp")
endif()

if (ZOB_FUZZ)
    if (NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message (FATAL_ERROR "ZOB_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang")
    endif()

    # Coverage for the program's shared code (JUCE included) and the targets; the libFuzzer
    # driver only in the fuzz programs themselves.
    target_compile_options (ZOB PRIVATE -fsanitize=fuzzer-no-link)

    foreach (source IN LISTS ZOB_FUZZ_TARGETS)
        get_filename_component (target "${source}" NAME_WE)
        zob_fuzz_executable (ZobFuzz${target} "${source}")
        target_compile_options (ZobFuzz${target} PRIVATE -fsanitize=fuzzer-no-link)
        target_link_options (ZobFuzz${target} PRIVATE -fsanitize=fuzzer)
    endforeach()
endif()
