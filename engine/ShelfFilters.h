#pragma once

#include <juce_dsp/juce_dsp.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace zob
{
/** One shelving biquad of PUNCH or TONE: a JUCE coefficient object (made by JUCE's shelf
    designs) and the two state values of the transposed direct form II.

    It computes exactly what juce::dsp::IIR::Filter<float>::processSample computes for a
    second-order filter, operation for operation, so its output is bit-identical to it; it
    exists because the stages run their filters through whole blocks with the coefficients
    and state in registers, which JUCE's filter cannot do without rounding small state
    values to zero at the end of each block (its block process does).

    The coefficient object must hold a biquad (five normalised coefficients); every shelf of
    ArrayCoefficients does. Real-time: processSample and reset never allocate; construction
    and giveFilterAUnityShelf do.
*/
struct ShelfFilter
{
    using Coefficients = juce::dsp::IIR::Coefficients<float>;

    /** A filter that passes the signal unchanged until it is given a shelf. */
    ShelfFilter()
        : coefficients (new Coefficients (1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f)) {}

    /** A biquad's five coefficients normalised by a0: b0, b1, b2, a1, a2. */
    using Normalised = std::array<float, 5>;

    /** Normalises a biquad's six coefficients (b0, b1, b2, a0, a1, a2, as JUCE's designs give
        them) by a0 the way JUCE's coefficient assignment does. */
    static Normalised normalise (const std::array<float, 6>& values) noexcept
    {
        const auto a0 = values[3];
        const auto a0Inverse = a0 != 0.0f ? 1.0f / values[3] : 0.0f;
        return { values[0] * a0Inverse, values[1] * a0Inverse, values[2] * a0Inverse, values[4] * a0Inverse, values[5] * a0Inverse };
    }

    /** Writes normalised coefficients into the coefficient object in place, so it holds what
        `*coefficients = values` would have put there. Real-time: it never allocates, while
        JUCE's assignment goes through its array's growth checks. */
    void setCoefficients (const Normalised& normalised) noexcept
    {
        jassert (coefficients->getFilterOrder() == 2);
        std::copy (normalised.begin(), normalised.end(), coefficients->getRawCoefficients());
    }

    /** Zeroes the state. */
    void reset() noexcept
    {
        state1 = 0.0f;
        state2 = 0.0f;
    }

    float processSample (float sample) noexcept
    {
        auto biquad = Biquad (*this);
        const auto output = biquad.processSample (sample);
        biquad.storeStateIn (*this);
        return output;
    }

    /** The coefficients and state of one filter in local variables, for a loop over a block:
        load it, run processSample for every sample, then store the state back. */
    struct Biquad
    {
        explicit Biquad (const ShelfFilter& filter) noexcept
        {
            jassert (filter.coefficients->getFilterOrder() == 2);
            const auto* c = filter.coefficients->getRawCoefficients();
            b0 = c[0];
            b1 = c[1];
            b2 = c[2];
            a1 = c[3];
            a2 = c[4];
            state1 = filter.state1;
            state2 = filter.state2;
        }

        float processSample (float sample) noexcept
        {
            // The operations and their order of juce::dsp::IIR::Filter::processSample.
            const auto output = (b0 * sample) + state1;
            state1 = (b1 * sample) - (a1 * output) + state2;
            state2 = (b2 * sample) - (a2 * output);
            return output;
        }

        void storeStateIn (ShelfFilter& filter) const noexcept
        {
            filter.state1 = state1;
            filter.state2 = state2;
        }

        float b0, b1, b2, a1, a2, state1, state2;
    };

    Coefficients::Ptr coefficients;
    float state1 = 0.0f, state2 = 0.0f;
};

#if JUCE_USE_SSE_INTRINSICS
} // namespace zob

#include <emmintrin.h>

namespace zob
{
/** The biquads of the left and the right channel side by side, in lanes 0 and 1 of SSE
    registers (lanes 2 and 3 have zero coefficients). Lane by lane it does the operations of
    ShelfFilter::Biquad, so each channel's output is bit-identical to its own filter's; it
    does them for both channels with one instruction each. Use it through
    forEachStereoFrame.
*/
struct BiquadPair
{
    BiquadPair (const ShelfFilter& left, const ShelfFilter& right) noexcept
    {
        const auto* l = left.coefficients->getRawCoefficients();
        const auto* r = right.coefficients->getRawCoefficients();
        b0 = _mm_setr_ps (l[0], r[0], 0.0f, 0.0f);
        b1 = _mm_setr_ps (l[1], r[1], 0.0f, 0.0f);
        b2 = _mm_setr_ps (l[2], r[2], 0.0f, 0.0f);
        a1 = _mm_setr_ps (l[3], r[3], 0.0f, 0.0f);
        a2 = _mm_setr_ps (l[4], r[4], 0.0f, 0.0f);
        state1 = _mm_setr_ps (left.state1, right.state1, 0.0f, 0.0f);
        state2 = _mm_setr_ps (left.state2, right.state2, 0.0f, 0.0f);
    }

    __m128 processSample (__m128 sample) noexcept
    {
        const auto output = _mm_add_ps (_mm_mul_ps (b0, sample), state1);
        state1 = _mm_add_ps (_mm_sub_ps (_mm_mul_ps (b1, sample), _mm_mul_ps (a1, output)), state2);
        state2 = _mm_sub_ps (_mm_mul_ps (b2, sample), _mm_mul_ps (a2, output));
        return output;
    }

    void storeStateIn (ShelfFilter& left, ShelfFilter& right) const noexcept
    {
        alignas (16) float s1[4], s2[4];
        _mm_store_ps (s1, state1);
        _mm_store_ps (s2, state2);
        left.state1 = s1[0];
        right.state1 = s1[1];
        left.state2 = s2[0];
        right.state2 = s2[1];
    }

    __m128 b0, b1, b2, a1, a2, state1, state2;
};

/** For each of count frames of two channels, calls process with the frame's left and right
    samples in lanes 0 and 1 of a register and writes lanes 0 and 1 of what it returns to
    leftOut and rightOut (which may be the inputs). The frames are moved four at a time
    between the channels and the lanes. */
template <typename Process>
inline void forEachStereoFrame (const float* left, const float* right, float* leftOut, float* rightOut, int count, Process&& process) noexcept
{
    auto i = 0;

    for (; i + 4 <= count; i += 4)
    {
        const auto l = _mm_loadu_ps (left + i), r = _mm_loadu_ps (right + i);
        const auto frames01 = _mm_unpacklo_ps (l, r); // l0 r0 l1 r1
        const auto frames23 = _mm_unpackhi_ps (l, r); // l2 r2 l3 r3
        const auto y0 = process (frames01);
        const auto y1 = process (_mm_movehl_ps (frames01, frames01));
        const auto y2 = process (frames23);
        const auto y3 = process (_mm_movehl_ps (frames23, frames23));
        const auto y01 = _mm_unpacklo_ps (y0, y1); // l0 l1 r0 r1
        const auto y23 = _mm_unpacklo_ps (y2, y3); // l2 l3 r2 r3
        _mm_storeu_ps (leftOut + i, _mm_movelh_ps (y01, y23));
        _mm_storeu_ps (rightOut + i, _mm_movehl_ps (y23, y01));
    }

    for (; i < count; ++i)
    {
        const auto y = process (_mm_unpacklo_ps (_mm_load_ss (left + i), _mm_load_ss (right + i)));
        _mm_store_ss (leftOut + i, y);
        _mm_store_ss (rightOut + i, _mm_shuffle_ps (y, y, _MM_SHUFFLE (1, 1, 1, 1)));
    }
}
#endif

/** JUCE's RBJ shelf designs (ArrayCoefficients<float>::makeLowShelf and makeHighShelf) for
    one rate, corner frequency and Q, with the corner's cosine and sine worked out once, in
    prepare: per gain only JUCE's remaining arithmetic is done, operation for operation, so
    the coefficients are bit-identical to JUCE's. The compare fade asks for new shelves every
    8 samples. Real-time: lowShelf and highShelf never allocate.
*/
struct ShelfDesign
{
    ShelfDesign (double sampleRate, float cornerFrequency, float qualityFactor) noexcept
    {
        prepare (sampleRate, cornerFrequency, qualityFactor);
    }

    void prepare (double sampleRate, float cornerFrequency, float qualityFactor) noexcept
    {
        // JUCE's steps, in float.
        const auto omega = (2 * juce::MathConstants<float>::pi * juce::jmax (cornerFrequency, 2.0f)) / (float) sampleRate;
        cosOmega = std::cos (omega);
        sinOmega = std::sin (omega);
        q = qualityFactor;
    }

    /** The six coefficients of JUCE's makeLowShelf for a linear gain factor. */
    std::array<float, 6> lowShelf (float gainFactor) const noexcept { return shelf (gainFactor, 1.0f); }

    /** The six coefficients of JUCE's makeHighShelf for a linear gain factor. */
    std::array<float, 6> highShelf (float gainFactor) const noexcept { return shelf (gainFactor, -1.0f); }

    float cosOmega, sinOmega, q;

private:
    /** JUCE's two designs differ only in the signs of some terms: side is +1 for the low
        shelf, -1 for the high one. Multiplying by it is exact, and a - (-b) is a + b, so
        both come out bit for bit as JUCE writes them. */
    std::array<float, 6> shelf (float gainFactor, float side) const noexcept
    {
        const auto A = juce::jmax (0.0f, std::sqrt (gainFactor));
        const auto aminus1 = A - 1;
        const auto aplus1 = A + 1;
        const auto beta = sinOmega * std::sqrt (A) / q;
        const auto aminus1TimesCoso = side * (aminus1 * cosOmega);
        const auto aplus1TimesCoso = side * (aplus1 * cosOmega);

        return { { A * (aplus1 - aminus1TimesCoso + beta),
                   A * (2 * side) * (aminus1 - aplus1TimesCoso),
                   A * (aplus1 - aminus1TimesCoso - beta),
                   aplus1 + aminus1TimesCoso + beta,
                   (-2 * side) * (aminus1 + aplus1TimesCoso),
                   aplus1 + aminus1TimesCoso - beta } };
    }
};

/** Gives a filter a new coefficient object of its own holding a unity shelf (it passes the
    signal unchanged) and zeroes its state. Every PUNCH and TONE filter starts from this in
    its stage's prepare.

    This allocates: call it where the stage is prepared, never on the audio thread. Once it
    has run, new shelves are written into the same object in place, so processing never
    allocates.
*/
inline void giveFilterAUnityShelf (ShelfFilter& filter, double sampleRate)
{
    filter.coefficients = new ShelfFilter::Coefficients (
        juce::dsp::IIR::ArrayCoefficients<float>::makeLowShelf (sampleRate, 1000.0f, 0.707f, 1.0f));
    filter.reset();
}
} // namespace zob
