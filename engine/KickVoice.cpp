#include "engine/KickVoice.h"

#include <algorithm>
#include <cmath>

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

/** Clamps to 0..1; NaN counts as 0. */
float clampUnit (float value) noexcept
{
    return value > 0.0f ? std::min (value, 1.0f) : 0.0f;
}
} // namespace

float KickVoice::LengthEnvelope::getGain (double readPosition, int numSamples, double sampleRate) const noexcept
{
    if (length >= lengthEnvelopeOffThreshold || numSamples <= 0)
        return 1.0f;

    const auto hold = std::min (holdFraction * numSamples, holdSeconds * sampleRate);

    if (readPosition <= hold)
        return 1.0f;

    const auto decay = std::max (std::max ((double) numSamples - hold, 1.0) * stageValue, shortestDecaySeconds * sampleRate);
    const auto t = (readPosition - hold) / decay;

    if (t >= 1.0)
        return 0.0f;

    if (t <= 0.0)
        return 1.0f;

    const auto s = t * t * (3.0 - 2.0 * t);
    const auto gain = (std::exp2 (decayExponent * s) - decayFloor) * decayScale;
    return (float) std::max (gain, 0.0);
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
    lengthEnvelope.stageValue = lengthToStageValue (lengthEnvelope.length);
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

// flatten: the per-sample helper calls are inlined here (same arithmetic, no call per sample).
[[gnu::flatten]] void KickVoice::renderNextBlock (juce::AudioBuffer<float>& out, int startSample, int numSamples) noexcept
{
    if (sample == nullptr)
        return;

    const auto& kick = sample->buffer;
    const auto kickLength = kick.getNumSamples();
    const auto kickChannels = kick.getNumChannels();
    const auto kickRate = sample->sampleRate;

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
    const auto end = (double) kickLength;

    for (int i = 0; i < numSamples; ++i)
    {
        if (retriggerState == fadingOut)
        {
            fade -= fadeStep;

            if (fade <= 0.0f)
            {
                fade = 0.0f;
                start (pendingVelocity);
                retriggerState = fadingIn;
            }
        }
        else if (retriggerState == fadingIn)
        {
            fade += fadeStep;

            if (fade >= 1.0f)
            {
                fade = 1.0f;
                retriggerState = steady;
            }
        }
        else if (! (position < end))
        {
            playing = false;
            return;
        }

        // While fading, a position past the end just yields nothing.
        if (position < end)
        {
            const auto leftSample = getInterpolatedSample (0, position);
            const auto rightSample = kickChannels < 2 ? leftSample : getInterpolatedSample (1, position);
            const auto target = lengthEnvelope.getGain (position, kickLength, kickRate);
            lengthGain += (target - lengthGain) * lengthGainCoefficient;
            const auto gain = velocity * fade * lengthGain;

            if (left != nullptr)
                left[i] += gain * leftSample;

            if (right != nullptr)
                right[i] += gain * rightSample;
        }

        position += pitchRatio * sourceStep;
    }
}
