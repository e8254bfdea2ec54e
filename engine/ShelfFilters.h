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
    std::array<float, 6> lowShelf (float gainFactor) const noexcept
    {
        const auto A = juce::jmax (0.0f, std::sqrt (gainFactor));
        const auto aminus1 = A - 1;
        const auto aplus1 = A + 1;
        const auto beta = sinOmega * std::sqrt (A) / q;
        const auto aminus1TimesCoso = aminus1 * cosOmega;

        return { { A * (aplus1 - aminus1TimesCoso + beta),
                   A * 2 * (aminus1 - aplus1 * cosOmega),
                   A * (aplus1 - aminus1TimesCoso - beta),
                   aplus1 + aminus1TimesCoso + beta,
                   -2 * (aminus1 + aplus1 * cosOmega),
                   aplus1 + aminus1TimesCoso - beta } };
    }

    /** The six coefficients of JUCE's makeHighShelf for a linear gain factor. */
    std::array<float, 6> highShelf (float gainFactor) const noexcept
    {
        const auto A = juce::jmax (0.0f, std::sqrt (gainFactor));
        const auto aminus1 = A - 1;
        const auto aplus1 = A + 1;
        const auto beta = sinOmega * std::sqrt (A) / q;
        const auto aminus1TimesCoso = aminus1 * cosOmega;

        return { { A * (aplus1 + aminus1TimesCoso + beta),
                   A * -2 * (aminus1 + aplus1 * cosOmega),
                   A * (aplus1 + aminus1TimesCoso - beta),
                   aplus1 - aminus1TimesCoso + beta,
                   2 * (aminus1 - aplus1 * cosOmega),
                   aplus1 - aminus1TimesCoso - beta } };
    }

    float cosOmega, sinOmega, q;
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
