# JUCE comes from the system (Debian's juce-modules-source), and so do the codecs that
# Debian strips out of JUCE's module sources.
find_package (JUCE 7.0.5 CONFIG REQUIRED)

# JUCE's FLAC reader scales every decoded sample with a left shift, negative ones included,
# which UndefinedBehaviorSanitizer counts as undefined in C++17 (every compiler does what
# C++20 defines), and its channel sets name discrete channels as channel types beyond the
# ones the enumeration lists (a WAV file's speaker mask makes them). Only these two checks
# are left out, and only for JUCE's audio-format and audio-buffer code.
if (ZOB_SANITIZER STREQUAL "address")
    set_source_files_properties (
        "${JUCE_MODULES_DIR}/juce_audio_formats/juce_audio_formats.cpp"
        "${JUCE_MODULES_DIR}/juce_audio_basics/juce_audio_basics.cpp"
        PROPERTIES COMPILE_OPTIONS -fno-sanitize=shift-base,enum)

    # JUCE's GIF decoder, which builds the X11 drag cursor at the start of every drag-out,
    # reads the two bytes before its block buffer on its first block (into its own members,
    # and discards them); only the bounds check is left out, only for JUCE's graphics code.
    set_source_files_properties (
        "${JUCE_MODULES_DIR}/juce_graphics/juce_graphics.cpp"
        PROPERTIES COMPILE_OPTIONS -fno-sanitize=bounds)
endif()

find_package (PkgConfig REQUIRED)
pkg_check_modules (ZOB_SYSTEM_CODECS REQUIRED IMPORTED_TARGET
    flac vorbisenc vorbisfile vorbis ogg zlib libpng libjpeg)

find_program (CCACHE_PROGRAM ccache)
if (CCACHE_PROGRAM AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
    set (CMAKE_C_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
    set (CMAKE_CXX_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
endif()

# glibc's vector math library: the audio block's tanh and exp2 go through its vector
# functions where it has them (engine/VectorMath.cpp), one value at a time through the C
# library otherwise.
include (CheckCXXSourceCompiles)
set (CMAKE_REQUIRED_LIBRARIES mvec)
check_cxx_source_compiles ("
    #include <immintrin.h>
    extern \"C\" __m128 _ZGVbN4v_tanhf (__m128);
    extern \"C\" __m128d _ZGVbN2v_exp2 (__m128d);
    extern \"C\" __attribute__ ((target (\"avx2\"))) __m256 _ZGVdN8v_tanhf (__m256);
    extern \"C\" __attribute__ ((target (\"avx2\"))) __m256d _ZGVdN4v_exp2 (__m256d);
    __attribute__ ((target (\"avx2\"))) void eight (float* x) { _mm256_storeu_ps (x, _ZGVdN8v_tanhf (_mm256_loadu_ps (x))); }
    __attribute__ ((target (\"avx2\"))) void four (double* x) { _mm256_storeu_pd (x, _ZGVdN4v_exp2 (_mm256_loadu_pd (x))); }
    int main()
    {
        float x[8] = {};
        double y[4] = {};
        eight (x);
        four (y);
        return (int) (_mm_cvtss_f32 (_ZGVbN4v_tanhf (_mm_setzero_ps())) + _mm_cvtsd_f64 (_ZGVbN2v_exp2 (_mm_setzero_pd())) + x[0] + y[0]);
    }"
    ZOB_HAVE_LIBMVEC)
unset (CMAKE_REQUIRED_LIBRARIES)
