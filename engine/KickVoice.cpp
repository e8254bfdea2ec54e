#include "engine/KickVoice.h"
#include "engine/VectorMath.h"
#include "engine/WideVectors.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace
{
constexpr double defaultSampleRate = 44100.0;

// The attack the LENGTH envelope always keeps: the first quarter of the kick or its
// first 18 ms, whichever is shorter.
constexpr double holdFraction = 0.25;
constexpr double holdSeconds = 0.018;
constexpr double shortestDecaySeconds = 0.005;

// The decay falls from 0 dB to -48 dB: 2^(-7.97... s) = 10^(-48 s / 20). The floor is
// subtracted so the curve ends at exactly 0, and the rest is scaled to start at exactly 1.
constexpr double decayExponent = -7.97262742772967;
constexpr double decayFloor = 0.003981071705534972; // -48 dB
constexpr double decayScale = 1.0039969839853866; // 1 / (1 - decayFloor)

constexpr double smallestSmoothingCoefficient = 0.0001;

// The envelope's passes before and after its exp2, written as selections rather than
// branches so that the compiler runs them several positions at a time, and built for wider
// vectors as well where the processor has them: the same operations at any width.

/** For each read position: t, its place in the decay, and the exponent of the decay's exp2
    there (0 outside the decay). */
ZOB_WIDE_VECTORS void decayExponents (const double* __restrict at, double hold, double decay, double* __restrict times, double* __restrict exponents, int count) noexcept
{
    for (int k = 0; k < count; ++k)
    {
        const auto t = (at[k] - hold) / decay;
        times[k] = t;
        const auto exponent = decayExponent * (t * t * (3.0 - 2.0 * t));
        const auto inDecay = ! (at[k] <= hold) & ! (t >= 1.0) & ! (t <= 0.0);
        exponents[k] = inDecay ? exponent : 0.0;
    }
}

/** The envelope's gain at each read position, from t and the exp2 of the exponent. */
ZOB_WIDE_VECTORS void decayGains (const double* __restrict at, double hold, const double* __restrict times, const double* __restrict raised, float* __restrict gains, int count) noexcept
{
    for (int k = 0; k < count; ++k)
    {
        const auto t = times[k];
        const auto decayed = (float) std::max ((raised[k] - decayFloor) * decayScale, 0.0);
        const auto held = at[k] <= hold, ended = t >= 1.0, notYet = t <= 0.0;
        gains[k] = held ? 1.0f : ended ? 0.0f
                             : notYet  ? 1.0f
                                       : decayed;
    }
}

/** Whether any of the values is other than +0 (a loop the compiler runs several at a time). */
bool anyNonZero (const double* values, int count) noexcept
{
    std::uint64_t bits = 0;

    for (int i = 0; i < count; ++i)
    {
        std::uint64_t valueBits;
        std::memcpy (&valueBits, values + i, sizeof (valueBits));
        bits |= valueBits;
    }

    return bits != 0;
}

/** Clamps to 0..1; NaN counts as 0. */
float clampUnit (float value) noexcept
{
    return value > 0.0f ? std::min (value, 1.0f) : 0.0f;
}
} // namespace

KickVoice::LengthEnvelope::Shape::Shape (const LengthEnvelope& envelope, int numSamples, double sampleRate) noexcept
    : off (envelope.length >= lengthEnvelopeOffThreshold || numSamples <= 0)
{
    if (off)
        return;

    hold = std::min (holdFraction * numSamples, holdSeconds * sampleRate);
    decay = std::max (std::max ((double) numSamples - hold, 1.0) * envelope.stageValue, shortestDecaySeconds * sampleRate);
}

float KickVoice::LengthEnvelope::Shape::gainAt (double readPosition) const noexcept
{
    if (off || readPosition <= hold)
        return 1.0f;

    const auto t = (readPosition - hold) / decay;

    if (t >= 1.0)
        return 0.0f;

    if (t <= 0.0)
        return 1.0f;

    const auto s = t * t * (3.0 - 2.0 * t);
    const auto gain = (std::exp2 (decayExponent * s) - decayFloor) * decayScale;
    return (float) std::max (gain, 0.0);
}

void KickVoice::LengthEnvelope::Shape::gainsAt (const double* positions, float* gains, int count) const noexcept
{
    if (off)
    {
        std::fill (gains, gains + count, 1.0f);
        return;
    }

    // First the decay's exponents (0 outside the decay), then their exp2 all at once, then
    // the gains: the steps of gainAt, in its order, split at its exp2.
    double exponents[renderChunk], times[renderChunk];

    for (int start = 0; start < count; start += renderChunk)
    {
        const auto n = std::min (renderChunk, count - start);
        decayExponents (positions + start, hold, decay, times, exponents, n);

        // Past the decay (a short LENGTH leaves a long silent tail) there is nothing to raise.
        if (anyNonZero (exponents, n))
            zob::vectorMath::exp2InPlace (exponents, n);

        decayGains (positions + start, hold, times, exponents, gains + start, n);
    }
}

float KickVoice::LengthEnvelope::getGain (double readPosition, int numSamples, double sampleRate) const noexcept
{
    return Shape (*this, numSamples, sampleRate).gainAt (readPosition);
}

void KickVoice::prepare (double sampleRate) noexcept
{
    const auto rate = sampleRate > 0.0 ? sampleRate : defaultSampleRate;

    playing = false;
    outputSampleRate = rate;
    position = 0.0;
    sourceStep = 1.0;
    velocity = 1.0f;
    retriggerState = steady;
    fade = 1.0f;
    fadeStep = (float) (1.0 / std::max (retriggerFadeSeconds * rate, 1.0));
    lengthGainCoefficient = (float) std::clamp (1.0 - std::exp (-1.0 / std::max (lengthSmoothingSeconds * rate, 1.0)),
                                                smallestSmoothingCoefficient,
                                                1.0);
}

void KickVoice::start (float newVelocity) noexcept
{
    playing = true;
    position = 0.0;
    velocity = clampUnit (newVelocity);

    if (sample != nullptr)
    {
        sourceStep = sample->sampleRate / outputSampleRate;
        lengthGain = lengthEnvelope.getGain (0.0, sample->buffer.getNumSamples(), sample->sampleRate);
    }
    else
    {
        sourceStep = 1.0;
        lengthGain = 1.0f;
    }
}

void KickVoice::trigger (float newVelocity) noexcept
{
    if (retriggerState != steady || playing)
    {
        pendingVelocity = newVelocity;
        retriggerState = fadingOut;
        return;
    }

    start (newVelocity);
    fade = 1.0f;
    retriggerState = steady;
}

void KickVoice::stop() noexcept
{
    retriggerState = steady;
    fade = 1.0f;
    playing = false;
}

double KickVoice::setLengthPosition (float lengthPosition) noexcept
{
    lengthEnvelope.length = clampUnit (lengthPosition);
    lengthEnvelope.stageValue = lengthCurve.get (lengthEnvelope.length, lengthToStageValue);
    return lengthEnvelope.stageValue;
}

float KickVoice::getInterpolatedSample (int channel, double readPosition) const noexcept
{
    if (sample == nullptr)
        return 0.0f;

    const auto& kick = sample->buffer;
    const auto length = kick.getNumSamples();
    const auto channels = kick.getNumChannels();

    // Compared in double first, so no position converts to an out-of-range integer.
    if (channels < 1 || ! (readPosition >= 0.0) || readPosition >= (double) length)
        return 0.0f;

    const auto i = (int) readPosition;
    const auto j = std::min (i + 1, length - 1);
    const auto* data = kick.getReadPointer (std::clamp (channel, 0, channels - 1));
    const auto fraction = (float) (readPosition - i);
    return data[i] + (data[j] - data[i]) * fraction;
}

void KickVoice::renderNextBlock (juce::AudioBuffer<float>& out, int startSample, int numSamples) noexcept
{
    if (sample == nullptr)
        return;

    const auto& kick = sample->buffer;
    const auto kickLength = kick.getNumSamples();
    const auto kickChannels = kick.getNumChannels();

    if (kickLength < 1 || kickChannels < 1 || (retriggerState == steady && ! playing))
        return;

    // Never write outside out, whatever range the caller asks for.
    if (startSample < 0)
        return;

    numSamples = std::min (numSamples, out.getNumSamples() - startSample);

    if (numSamples <= 0)
        return;

    const auto outChannels = out.getNumChannels();
    auto* left = outChannels >= 1 ? out.getWritePointer (0, startSample) : nullptr;
    auto* right = outChannels >= 2 ? out.getWritePointer (1, startSample) : nullptr;

    // Everything that stays put during the block is worked out once and the moving parts
    // live in local variables; per sample the arithmetic is that of getInterpolatedSample,
    // LengthEnvelope::getGain and the smoothing, in the same order.
    const auto* kickLeft = kick.getReadPointer (0);
    const auto* kickRight = kick.getReadPointer (std::min (1, kickChannels - 1));
    const auto envelope = LengthEnvelope::Shape (lengthEnvelope, kickLength, sample->sampleRate);
    const auto end = (double) kickLength;
    const auto smoothing = lengthGainCoefficient;

    auto readPosition = position;
    auto smoothedGain = lengthGain;
    auto step = pitchRatio * sourceStep;

    // Adds the kick at a read position into output sample i with the given level, its
    // envelope gain there being target. Never called at or past the end; before the start
    // the kick is silent.
    const auto addSample = [&] (int i, float level, double at, float target) noexcept
    {
        auto leftSample = 0.0f, rightSample = 0.0f;

        if (at >= 0.0)
        {
            const auto index = (int) at;
            const auto next = std::min (index + 1, kickLength - 1);
            const auto fraction = (float) (at - index);
            leftSample = kickLeft[index] + (kickLeft[next] - kickLeft[index]) * fraction;
            rightSample = kickRight[index] + (kickRight[next] - kickRight[index]) * fraction;
        }

        smoothedGain += (target - smoothedGain) * smoothing;
        const auto gain = level * smoothedGain;

        if (left != nullptr)
            left[i] += gain * leftSample;

        if (right != nullptr)
            right[i] += gain * rightSample;
    };

    for (int i = 0; i < numSamples; ++i)
    {
        if (retriggerState == steady)
        {
            // The kick plays on at a fixed level until it ends or the block does, a stretch
            // at a time: the read positions up to the end, their envelope gains in one
            // pass, then the samples.
            const auto level = velocity * fade;
            double positions[renderChunk];
            float targets[renderChunk];

            while (i < numSamples)
            {
                const auto wanted = std::min (renderChunk, numSamples - i);
                auto count = 0;

                for (; count < wanted && readPosition < end; ++count)
                {
                    positions[count] = readPosition;
                    readPosition += step;
                }

                envelope.gainsAt (positions, targets, count);

                for (int k = 0; k < count; ++k)
                    addSample (i + k, level, positions[k], targets[k]);

                i += count;

                if (count < wanted)
                {
                    playing = false;
                    break;
                }
            }

            break;
        }

        if (retriggerState == fadingOut)
        {
            fade -= fadeStep;

            if (fade <= 0.0f)
            {
                fade = 0.0f;
                start (pendingVelocity);
                retriggerState = fadingIn;
                readPosition = position;
                smoothedGain = lengthGain;
                step = pitchRatio * sourceStep;
            }
        }
        else
        {
            fade += fadeStep;

            if (fade >= 1.0f)
            {
                fade = 1.0f;
                retriggerState = steady;
            }
        }

        // While fading, a position past the end just yields nothing.
        if (readPosition < end)
            addSample (i, velocity * fade, readPosition, envelope.gainAt (readPosition));

        readPosition += step;
    }

    position = readPosition;
    lengthGain = smoothedGain;
}
