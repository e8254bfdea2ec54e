#include "engine/PunchStage.h"
#include "engine/ApproximatelyEqual.h"
#include "engine/ShelfFilters.h"

#include <algorithm>
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

void PunchStage::process (juce::AudioBuffer<float>& buffer) noexcept
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
    const auto numShaped = std::min (numChannels, (int) shelfFilters.size());
    auto* left = buffer.getWritePointer (0);
    auto* right = numShaped > 1 ? buffer.getWritePointer (1) : nullptr;

    // The shelves run through a stretch of samples with their state in registers, then the
    // saturation follows over the same stretch: the same arithmetic as sample by sample.
    std::array<float, chunkSize> shelvedLeft, shelvedRight;

    for (int start = 0; start < numSamples; start += chunkSize)
    {
        const auto count = std::min (chunkSize, numSamples - start);
        auto leftShelf = zob::ShelfFilter::Biquad (shelfFilters[0]);

        if (right == nullptr)
        {
            for (int i = 0; i < count; ++i)
                shelvedLeft[(size_t) i] = leftShelf.processSample (left[start + i]);
        }
        else
        {
            auto rightShelf = zob::ShelfFilter::Biquad (shelfFilters[1]);

            for (int i = 0; i < count; ++i)
            {
                shelvedLeft[(size_t) i] = leftShelf.processSample (left[start + i]);
                shelvedRight[(size_t) i] = rightShelf.processSample (right[start + i]);
            }

            rightShelf.storeStateIn (shelfFilters[1]);
        }

        leftShelf.storeStateIn (shelfFilters[0]);
        saturate (left + start, shelvedLeft.data(), count, fullScale);

        if (right != nullptr)
            saturate (right + start, shelvedRight.data(), count, fullScale);
    }
}

void PunchStage::saturate (float* data, const float* shelved, int count, float fullScale) const noexcept
{
    for (int i = 0; i < count; ++i)
    {
        const auto x = data[i];
        data[i] = x + amount * (std::tanh (drive * shelved[i]) / fullScale - x);
    }
}
