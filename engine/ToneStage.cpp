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

    shelfDesign.prepare (sampleRate, tiltFrequencyHz, shelfQ);
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

    const auto gainDb = largestTiltDb * tone;
    const auto low = zob::ShelfFilter::normalise (shelfDesign.lowShelf (std::pow (10.0f, -gainDb * 0.05f)));
    const auto high = zob::ShelfFilter::normalise (shelfDesign.highShelf (std::pow (10.0f, gainDb * 0.05f)));

    for (size_t channel = 0; channel < lowShelfFilters.size(); ++channel)
    {
        lowShelfFilters[channel].setCoefficients (low);
        highShelfFilters[channel].setCoefficients (high);
    }

    lastTone = tone;
}

bool ToneStage::isFlat() const noexcept
{
    // A tone that is not a number shapes nothing, like a flat one.
    return zob::approximatelyEqual (tone, 0.0f) || ! std::isfinite (tone);
}

void ToneStage::prepareShelves() noexcept
{
    if (! isFlat())
        updateCoefficients();
}

void ToneStage::process (juce::AudioBuffer<float>& buffer) noexcept
{
    if (isFlat())
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

    if (numChannels < 1 || numSamples < 1)
        return;

    // Both shelves of both channels in one pass, coefficients and state in registers: four
    // independent recursions that the processor can overlap. Per channel and sample it is
    // high (low (x)), the same arithmetic as sample by sample.
    auto* left = buffer.getWritePointer (0);

    if (numChannels < 2)
    {
        auto low = zob::ShelfFilter::Biquad (lowShelfFilters[0]);
        auto high = zob::ShelfFilter::Biquad (highShelfFilters[0]);

        for (int i = 0; i < numSamples; ++i)
            left[i] = high.processSample (low.processSample (left[i]));

        low.storeStateIn (lowShelfFilters[0]);
        high.storeStateIn (highShelfFilters[0]);
        return;
    }

    auto* right = buffer.getWritePointer (1);

#if JUCE_USE_SSE_INTRINSICS
    // Left and right side by side in one register.
    auto low = zob::BiquadPair (lowShelfFilters[0], lowShelfFilters[1]);
    auto high = zob::BiquadPair (highShelfFilters[0], highShelfFilters[1]);
    zob::forEachStereoFrame (left, right, left, right, numSamples, [&] (__m128 frame) noexcept
                             { return high.processSample (low.processSample (frame)); });
    low.storeStateIn (lowShelfFilters[0], lowShelfFilters[1]);
    high.storeStateIn (highShelfFilters[0], highShelfFilters[1]);
#else
    auto lowLeft = zob::ShelfFilter::Biquad (lowShelfFilters[0]);
    auto highLeft = zob::ShelfFilter::Biquad (highShelfFilters[0]);
    auto lowRight = zob::ShelfFilter::Biquad (lowShelfFilters[1]);
    auto highRight = zob::ShelfFilter::Biquad (highShelfFilters[1]);

    for (int i = 0; i < numSamples; ++i)
    {
        left[i] = highLeft.processSample (lowLeft.processSample (left[i]));
        right[i] = highRight.processSample (lowRight.processSample (right[i]));
    }

    lowLeft.storeStateIn (lowShelfFilters[0]);
    highLeft.storeStateIn (highShelfFilters[0]);
    lowRight.storeStateIn (lowShelfFilters[1]);
    highRight.storeStateIn (highShelfFilters[1]);
#endif
}
