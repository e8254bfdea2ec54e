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
    /** Runs a whole number of vectors of width values through function, and the values left
        over through it once more, padded with zeros, so every value takes the same path. */
    template <int width, typename Value, typename Function>
    inline void inVectorsOf (Value* values, int count, Function&& function) noexcept
    {
        auto i = 0;

        for (; i + width <= count; i += width)
            function (values + i);

        if (i < count)
        {
            Value padded[width] = {};
            std::copy (values + i, values + count, padded);
            function (padded);
            std::copy (padded, padded + (count - i), values + i);
        }
    }

    void tanhFour (float* values, int count) noexcept
    {
        inVectorsOf<4> (values, count, [] (float* v)
                        { _mm_storeu_ps (v, _ZGVbN4v_tanhf (_mm_loadu_ps (v))); });
    }

    // Written out: code built for AVX2 cannot be inlined into a template instantiated for
    // the plain target.
    __attribute__ ((target ("avx2"))) void tanhEight (float* values, int count) noexcept
    {
        auto i = 0;

        for (; i + 8 <= count; i += 8)
            _mm256_storeu_ps (values + i, _ZGVdN8v_tanhf (_mm256_loadu_ps (values + i)));

        if (i < count)
        {
            float padded[8] = {};
            std::copy (values + i, values + count, padded);
            _mm256_storeu_ps (padded, _ZGVdN8v_tanhf (_mm256_loadu_ps (padded)));
            std::copy (padded, padded + (count - i), values + i);
        }
    }

    __attribute__ ((target ("avx2"))) void exp2Four (double* values, int count) noexcept
    {
        auto i = 0;

        for (; i + 4 <= count; i += 4)
            _mm256_storeu_pd (values + i, _ZGVdN4v_exp2 (_mm256_loadu_pd (values + i)));

        if (i < count)
        {
            double padded[4] = {};
            std::copy (values + i, values + count, padded);
            _mm256_storeu_pd (padded, _ZGVdN4v_exp2 (_mm256_loadu_pd (padded)));
            std::copy (padded, padded + (count - i), values + i);
        }
    }

    void exp2Two (double* values, int count) noexcept
    {
        inVectorsOf<2> (values, count, [] (double* v)
                        { _mm_storeu_pd (v, _ZGVbN2v_exp2 (_mm_loadu_pd (v))); });
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
        return tanhEight (values, count);

    if (path != Path::scalar && canTake (Path::sse))
        return tanhFour (values, count);
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
        return exp2Four (values, count);

    if (path != Path::scalar && canTake (Path::sse))
        return exp2Two (values, count);
#else
    (void) path;
#endif

    for (int i = 0; i < count; ++i)
        values[i] = std::exp2 (values[i]);
}
} // namespace zob::vectorMath
