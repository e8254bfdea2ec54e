#include "engine/VectorMath.h"

#include <algorithm>
#include <cmath>

#if defined(__x86_64__) && defined(ZOB_HAVE_LIBMVEC)
#define ZOB_VECTOR_MATH 1
#include <immintrin.h>

// libmvec's functions under their vector-ABI names: N4 / N8 / N2 values of one argument, in
// an SSE ('b') or AVX2 ('d') register. The 256-bit one may only be called where the
// processor has AVX2.
extern "C" __m128 _ZGVbN4v_tanhf (__m128) noexcept;
extern "C" __m128d _ZGVbN2v_exp2 (__m128d) noexcept;
extern "C" __attribute__ ((target ("avx2"))) __m256 _ZGVdN8v_tanhf (__m256) noexcept;
extern "C" __attribute__ ((target ("avx2"))) __m256d _ZGVdN4v_exp2 (__m256d) noexcept;
#else
#define ZOB_VECTOR_MATH 0
#endif

namespace zob::vectorMath
{
namespace
{
#if ZOB_VECTOR_MATH
    // One vector of values, in place, through each of libmvec's functions.
    void tanhOfFour (float* v) noexcept { _mm_storeu_ps (v, _ZGVbN4v_tanhf (_mm_loadu_ps (v))); }
    void exp2OfTwo (double* v) noexcept { _mm_storeu_pd (v, _ZGVbN2v_exp2 (_mm_loadu_pd (v))); }
    __attribute__ ((target ("avx2"))) void tanhOfEight (float* v) noexcept { _mm256_storeu_ps (v, _ZGVdN8v_tanhf (_mm256_loadu_ps (v))); }
    __attribute__ ((target ("avx2"))) void exp2OfFour (double* v) noexcept { _mm256_storeu_pd (v, _ZGVdN4v_exp2 (_mm256_loadu_pd (v))); }

    /** Runs a whole number of vectors of width values through one of those, and the values
        left over through it once more, padded with zeros, so every value takes the same
        path. (The AVX2 ones are called rather than inlined here.) */
    template <int width, typename Value, void (*inPlace) (Value*) noexcept>
    void inVectorsOf (Value* values, int count) noexcept
    {
        auto i = 0;

        for (; i + width <= count; i += width)
            inPlace (values + i);

        if (i < count)
        {
            Value padded[width] = {};
            std::copy (values + i, values + count, padded);
            inPlace (padded);
            std::copy (padded, padded + (count - i), values + i);
        }
    }

    bool processorHasAvx2() noexcept
    {
        __builtin_cpu_init();
        return __builtin_cpu_supports ("avx2");
    }
#endif

    Path choosePath() noexcept
    {
#if ZOB_VECTOR_MATH
        return processorHasAvx2() ? Path::avx2 : Path::sse;
#else
        return Path::scalar;
#endif
    }

    // Chosen before main runs, so the audio thread only ever reads it.
    const Path chosenPath = choosePath();
} // namespace

Path fastestPath() noexcept
{
    return chosenPath;
}

bool canTake (Path path) noexcept
{
    switch (path)
    {
        case Path::scalar:
            return true;
        case Path::sse:
            return chosenPath != Path::scalar;
        case Path::avx2:
            return chosenPath == Path::avx2;
    }

    return false;
}

void tanhInPlace (float* values, int count, Path path) noexcept
{
#if ZOB_VECTOR_MATH
    if (path == Path::avx2 && canTake (path))
        return inVectorsOf<8, float, tanhOfEight> (values, count);

    if (path != Path::scalar && canTake (Path::sse))
        return inVectorsOf<4, float, tanhOfFour> (values, count);
#else
    (void) path;
#endif

    for (int i = 0; i < count; ++i)
        values[i] = std::tanh (values[i]);
}

void exp2InPlace (double* values, int count, Path path) noexcept
{
#if ZOB_VECTOR_MATH
    if (path == Path::avx2 && canTake (path))
        return inVectorsOf<4, double, exp2OfFour> (values, count);

    if (path != Path::scalar && canTake (Path::sse))
        return inVectorsOf<2, double, exp2OfTwo> (values, count);
#else
    (void) path;
#endif

    for (int i = 0; i < count; ++i)
        values[i] = std::exp2 (values[i]);
}
} // namespace zob::vectorMath
