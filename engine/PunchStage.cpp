#include "engine/PunchStage.h"
#include "engine/ApproximatelyEqual.h"
#include "engine/ShelfFilters.h"
#include "engine/VectorMath.h"

#include <algorithm>
#include <cmath>

void PunchStage::prepare (double newSampleRate)
{
    sampleRate = newSampleRate > 0.0 ? newSampleRate : 44100.0;

    for (auto& filter : shelfFilters)
        zob::giveFilterAUnityShelf (filter, sampleRate);

    shelfDesign.prepare (sampleRate, shelfFrequencyHz, shelfQ);

    lastGainDb = std::numeric_limits<float>::quiet_NaN();
    reset();
}

void PunchStage::reset() noexcept
{
    for (auto& filter : shelfFilters)
        filter.reset();
}

void PunchStage::updateCoefficients() noexcept
{
    const auto gainDb = largestShelfGainDb * amount;

    if (! (amount > bypassAmount) || zob::approximatelyEqual (gainDb, lastGainDb))
        return;

    const auto shelf = zob::ShelfFilter::normalise (shelfDesign.lowShelf (std::pow (10.0f, gainDb * 0.05f)));

    for (auto& filter : shelfFilters)
        filter.setCoefficients (shelf);

    lastGainDb = gainDb;
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

    updateCoefficients();

    const auto numShaped = std::min (numChannels, (int) shelfFilters.size());
    auto* left = buffer.getWritePointer (0);
    auto* right = numShaped > 1 ? buffer.getWritePointer (1) : nullptr;

    // A stretch of samples at a time: the shelves run through it with their state in
    // registers, leaving drive x shelf (x) of the left channel and then of the right one,
    // whose tanh is taken in one vector pass, and the blend follows over the same stretch.
    // Per sample it is the arithmetic of the plain form, tanh apart (see VectorMath.h).
    std::array<float, 2 * chunkSize> driven;

    for (int start = 0; start < numSamples; start += chunkSize)
    {
        const auto count = std::min (chunkSize, numSamples - start);
        auto* leftDriven = driven.data();
        auto* rightDriven = driven.data() + count;
        shelveAndDrive (left + start, right != nullptr ? right + start : nullptr, leftDriven, rightDriven, count);
        zob::vectorMath::tanhInPlace (driven.data(), count * numShaped);
        blend (left + start, leftDriven, count);

        if (right != nullptr)
            blend (right + start, rightDriven, count);
    }
}

void PunchStage::shelveAndDrive (const float* left, const float* right, float* leftDriven, float* rightDriven, int count) noexcept
{
    if (right == nullptr)
    {
        auto shelf = zob::ShelfFilter::Biquad (shelfFilters[0]);

        for (int i = 0; i < count; ++i)
            leftDriven[i] = drive * shelf.processSample (left[i]);

        shelf.storeStateIn (shelfFilters[0]);
        return;
    }

#if JUCE_USE_SSE_INTRINSICS
    // Left and right side by side in one register.
    auto shelves = zob::BiquadPair (shelfFilters[0], shelfFilters[1]);
    const auto drives = _mm_set1_ps (drive);
    zob::forEachStereoFrame (left, right, leftDriven, rightDriven, count, [&] (__m128 frame) noexcept
                             { return _mm_mul_ps (drives, shelves.processSample (frame)); });
    shelves.storeStateIn (shelfFilters[0], shelfFilters[1]);
#else
    auto leftShelf = zob::ShelfFilter::Biquad (shelfFilters[0]);
    auto rightShelf = zob::ShelfFilter::Biquad (shelfFilters[1]);

    for (int i = 0; i < count; ++i)
    {
        leftDriven[i] = drive * leftShelf.processSample (left[i]);
        rightDriven[i] = drive * rightShelf.processSample (right[i]);
    }

    leftShelf.storeStateIn (shelfFilters[0]);
    rightShelf.storeStateIn (shelfFilters[1]);
#endif
}

void PunchStage::blend (float* data, const float* saturated, int count) const noexcept
{
    for (int i = 0; i < count; ++i)
    {
        const auto x = data[i];
        data[i] = x + amount * (saturated[i] / fullScale - x);
    }
}
