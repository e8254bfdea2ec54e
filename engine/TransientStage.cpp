#include "engine/TransientStage.h"

#include <algorithm>
#include <cmath>

void TransientStage::prepare (double newSampleRate) noexcept
{
    sampleRate = newSampleRate > 0.0 ? newSampleRate : 44100.0;
    fastCoefficient = (float) std::exp (-1.0 / (sampleRate * fastSeconds));
    slowCoefficient = (float) std::exp (-1.0 / (sampleRate * slowSeconds));
    reset();
}

void TransientStage::reset() noexcept
{
    fastEnvelope = 0.0f;
    slowEnvelope = 0.0f;
}

void TransientStage::process (juce::AudioBuffer<float>& buffer) noexcept
{
    const auto numChannels = buffer.getNumChannels();
    const auto numSamples = buffer.getNumSamples();

    if (numChannels < 1 || numSamples < 1)
        return;

    auto* const* channels = buffer.getArrayOfWritePointers();
    const auto shaping = amount > bypassAmount;
    const auto f = fastCoefficient;
    const auto s = slowCoefficient;

    for (int i = 0; i < numSamples; ++i)
    {
        auto peak = 0.0f;

        for (int channel = 0; channel < numChannels; ++channel)
            peak = std::max (peak, std::abs (channels[channel][i]));

        const auto squared = peak * peak;
        fastEnvelope = f * fastEnvelope + (1.0f - f) * squared;
        slowEnvelope = s * slowEnvelope + (1.0f - s) * squared;

        if (! shaping)
            continue;

        if (! std::isfinite (fastEnvelope) || ! std::isfinite (slowEnvelope))
            reset();

        const auto fast = std::sqrt (fastEnvelope);
        const auto slow = std::sqrt (slowEnvelope);
        const auto rise = std::clamp (fast / (slow + riseFloor) - 1.0f, 0.0f, largestRise);
        const auto presence = std::clamp (fast / fullPresenceLevel, 0.0f, 1.0f);
        const auto gain = 1.0f + amount * riseScale * rise * presence;

        for (int channel = 0; channel < numChannels; ++channel)
            channels[channel][i] *= gain;
    }
}
