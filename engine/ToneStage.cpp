#include "engine/ToneStage.h"
#include "engine/ApproximatelyEqual.h"
#include "engine/ShelfFilters.h"

#include <algorithm>
#include <cmath>

void ToneStage::prepare (double newSampleRate)
{
    sampleRate = newSampleRate > 0.0 ? newSampleRate : 44100.0;

    for (size_t channel = 0; channel < lowShelfFilters.size(); ++channel)
    {
        for (auto* filter : { &lowShelfFilters[channel], &highShelfFilters[channel] })
        {
            filter->reset();
            zob::giveFilterAUnityShelf (*filter, sampleRate);
        }
    }

    lastTone = std::numeric_limits<float>::quiet_NaN();
    updateCoefficients();
    reset();
}

void ToneStage::reset() noexcept
{
    for (size_t channel = 0; channel < lowShelfFilters.size(); ++channel)
    {
        lowShelfFilters[channel].reset();
        highShelfFilters[channel].reset();
    }
}

void ToneStage::setTone (float newTone) noexcept
{
    tone = std::clamp (newTone, -1.0f, 1.0f);
}

void ToneStage::updateCoefficients() noexcept
{
    if (zob::approximatelyEqual (tone, lastTone))
        return;

    using Shelves = juce::dsp::IIR::ArrayCoefficients<float>;
    const auto gainDb = largestTiltDb * tone;
    const auto low = Shelves::makeLowShelf (sampleRate, tiltFrequencyHz, shelfQ, std::pow (10.0f, -gainDb * 0.05f));
    const auto high = Shelves::makeHighShelf (sampleRate, tiltFrequencyHz, shelfQ, std::pow (10.0f, gainDb * 0.05f));

    for (size_t channel = 0; channel < lowShelfFilters.size(); ++channel)
    {
        *lowShelfFilters[channel].coefficients = low;
        *highShelfFilters[channel].coefficients = high;
    }

    lastTone = tone;
}

// flatten: the per-sample helper calls are inlined here (same arithmetic, no call per sample).
[[gnu::flatten]] void ToneStage::process (juce::AudioBuffer<float>& buffer) noexcept
{
    // A tone that is not a number shapes nothing, like a flat one.
    if (zob::approximatelyEqual (tone, 0.0f) || ! std::isfinite (tone))
    {
        if (! bypassed)
        {
            reset();
            bypassed = true;
        }

        return;
    }

    bypassed = false;
    updateCoefficients();

    const auto numChannels = std::min (buffer.getNumChannels(), (int) lowShelfFilters.size());
    const auto numSamples = buffer.getNumSamples();

    for (int channel = 0; channel < numChannels; ++channel)
    {
        auto& low = lowShelfFilters[(size_t) channel];
        auto& high = highShelfFilters[(size_t) channel];
        auto* data = buffer.getWritePointer (channel);

        for (int i = 0; i < numSamples; ++i)
            data[i] = high.processSample (low.processSample (data[i]));
    }
}
