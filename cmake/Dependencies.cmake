# JUCE comes from the system (Debian's juce-modules-source), and so do the codecs that
# Debian strips out of JUCE's module sources.
find_package (JUCE 7.0.5 CONFIG REQUIRED)
find_package (PkgConfig REQUIRED)
pkg_check_modules (ZOB_SYSTEM_CODECS REQUIRED IMPORTED_TARGET
    flac vorbisenc vorbisfile vorbis ogg zlib libpng libjpeg)

find_program (CCACHE_PROGRAM ccache)
if (CCACHE_PROGRAM AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
    set (CMAKE_C_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
    set (CMAKE_CXX_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
endif()
