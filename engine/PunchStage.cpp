#include "engine/PunchStage.h"
#include "engine/ApproximatelyEqual.h"
#include "engine/ShelfFilters.h"

#include <cmath>

void PunchStage::prepare (double newSampleRate)
{
    sampleRate = newSampleRate > 0.0 ? newSampleRate : 44100.0;

    for (auto& filter : shelfFilters)
        zob::giveFilterAUnityShelf (filter, sampleRate);

    lastGainDb = std::numeric_limits<float>::quiet_NaN();
    reset();
}

void PunchStage::reset() noexcept
{
    for (auto& filter : shelfFilters)
        filter.reset();
}

// flatten: the per-sample helper calls are inlined here (same arithmetic, no call per sample).
[[gnu::flatten]] void PunchStage::process (juce::AudioBuffer<float>& buffer) noexcept
{
    if (! (amount > bypassAmount))
    {
        if (! bypassed)
        {
            reset();
            bypassed = true;
        }

        return;
    }

    bypassed = false;

    const auto numChannels = buffer.getNumChannels();
    const auto numSamples = buffer.getNumSamples();

    if (numChannels < 1 || numSamples < 1)
        return;

    const auto gainDb = largestShelfGainDb * amount;

    if (! zob::approximatelyEqual (gainDb, lastGainDb))
    {
        const auto shelf = juce::dsp::IIR::ArrayCoefficients<float>::makeLowShelf (sampleRate,
                                                                                   shelfFrequencyHz,
                                                                                   shelfQ,
                                                                                   std::pow (10.0f, gainDb * 0.05f));

        for (auto& filter : shelfFilters)
            *filter.coefficients = shelf;

        lastGainDb = gainDb;
    }

    const auto fullScale = std::tanh (drive);

    for (int channel = 0; channel < std::min (numChannels, (int) shelfFilters.size()); ++channel)
    {
        auto& filter = shelfFilters[(size_t) channel];
        auto* data = buffer.getWritePointer (channel);

        for (int i = 0; i < numSamples; ++i)
        {
            const auto x = data[i];
            const auto shelved = filter.processSample (x);
            data[i] = x + amount * (std::tanh (drive * shelved) / fullScale - x);
        }
    }
}
