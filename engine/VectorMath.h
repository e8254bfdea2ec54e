#pragma once

/** tanh and exp2 over whole arrays, several values at a time: the saturation of PUNCH and
    the LENGTH envelope's decay, whose one call per sample was most of the audio block's
    cost.

    Where the build has glibc's vector math library (libmvec), the values go through its
    vector functions: tanh eight floats and exp2 four doubles at a time on a processor with
    AVX2, four floats and two doubles otherwise (the two tanh give the same bits; the two
    exp2 differ now and then in the last bit of a double, which the LENGTH envelope's float
    gains do not keep). Elsewhere they go one at a time through the C library's tanhf and
    exp2. Which one runs is chosen once, when the program starts.

    tanh is within 1.03 ulp of the exact value through libmvec and 2.19 ulp through glibc's
    tanhf (over every float of magnitude up to 8); both keep the sign of zero, give +-1 for
    +-infinity and NaN for NaN, and never exceed 1 in magnitude. exp2 is within a few ulp
    of a double.

    Pure functions: any thread, including the audio thread; nothing here allocates, locks or
    touches files.
*/
namespace zob::vectorMath
{
enum class Path
{
    scalar, // one value at a time through the C library
    sse, // libmvec's 128-bit functions
    avx2 // libmvec's 256-bit functions
};

/** The path the audio block takes on this processor with this build. */
Path fastestPath() noexcept;

/** Whether this build and processor can take the path (the scalar one always). */
bool canTake (Path path) noexcept;

/** values[i] = tanh (values[i]) for count values. A path that cannot be taken falls back
    to the scalar one. */
void tanhInPlace (float* values, int count, Path path = fastestPath()) noexcept;

/** values[i] = 2^values[i] for count values. */
void exp2InPlace (double* values, int count, Path path = fastestPath()) noexcept;
} // namespace zob::vectorMath
