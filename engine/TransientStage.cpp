#include "engine/TransientStage.h"

#include <algorithm>
#include <array>
#include <cmath>

#if JUCE_USE_SSE_INTRINSICS
#include <emmintrin.h>
#endif

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

// The block is worked through in stretches: first the squared peak of every sample, then
// the two followers sample after sample (the only part that has to be sequential), then
// the gains and their product with the audio, several samples at a time. Per sample it is
// the same float arithmetic, in the same order, as doing all of it one sample at a time.
void TransientStage::process (juce::AudioBuffer<float>& buffer) noexcept
{
    const auto numChannels = buffer.getNumChannels();
    const auto numSamples = buffer.getNumSamples();

    if (numChannels < 1 || numSamples < 1)
        return;

    auto* const* channels = buffer.getArrayOfWritePointers();
    const auto shaping = amount > bypassAmount;

    std::array<float, chunkSize> squared, fastLevels, slowLevels;

    for (int start = 0; start < numSamples; start += chunkSize)
    {
        const auto count = std::min (chunkSize, numSamples - start);

        squaredPeaks (channels, numChannels, start, count, squared.data());
        follow (squared.data(), fastLevels.data(), slowLevels.data(), count, shaping);

        if (! shaping)
            continue;

        // The gains take the place of the fast follower's values.
        gainsFromLevels (fastLevels.data(), slowLevels.data(), count);

        for (int channel = 0; channel < numChannels; ++channel)
        {
            auto* data = channels[channel] + start;

            for (int i = 0; i < count; ++i)
                data[i] *= fastLevels[(size_t) i];
        }
    }
}

void TransientStage::squaredPeaks (const float* const* channels, int numChannels, int start, int count, float* squared) noexcept
{
    // std::max (peak, |x|) keeps the peak when x is not a number; so does this order.
    for (int i = 0; i < count; ++i)
        squared[i] = 0.0f;

    for (int channel = 0; channel < numChannels; ++channel)
    {
        const auto* data = channels[channel] + start;

        for (int i = 0; i < count; ++i)
        {
            const auto magnitude = std::abs (data[i]);
            squared[i] = squared[i] < magnitude ? magnitude : squared[i];
        }
    }

    for (int i = 0; i < count; ++i)
        squared[i] *= squared[i];
}

void TransientStage::follow (const float* squared, float* fastLevels, float* slowLevels, int count, bool shaping) noexcept
{
    // A follower that has run away (an infinite or non-number sample) stays away: its value
    // is then not finite at the end of the stretch. Only then, and only while shaping, is the
    // stretch followed again with the check on every sample, from where it began, so that
    // the followers start again from zero where they ran away.
    const auto fastBefore = fastEnvelope, slowBefore = slowEnvelope;

    if (! runFollowers<false> (squared, fastLevels, slowLevels, count) && shaping)
    {
        fastEnvelope = fastBefore;
        slowEnvelope = slowBefore;
        runFollowers<true> (squared, fastLevels, slowLevels, count);
    }
}

template <bool restartRunaways>
bool TransientStage::runFollowers (const float* squaredPeaks, float* fastLevels, float* slowLevels, int count) noexcept
{
    const auto f = fastCoefficient;
    const auto s = slowCoefficient;
    const auto fastInput = 1.0f - f;
    const auto slowInput = 1.0f - s;
    auto fast = fastEnvelope;
    auto slow = slowEnvelope;

    for (int i = 0; i < count; ++i)
    {
        const auto squared = squaredPeaks[i];

        // Silence into followers at rest leaves them at exactly zero.
        if (fast == 0.0f && slow == 0.0f && squared == 0.0f)
        {
            fastLevels[i] = 0.0f;
            slowLevels[i] = 0.0f;
            continue;
        }

        fast = f * fast + fastInput * squared;
        slow = s * slow + slowInput * squared;

        if constexpr (restartRunaways)
        {
            if (! std::isfinite (fast) || ! std::isfinite (slow))
            {
                fast = 0.0f;
                slow = 0.0f;
            }
        }

        fastLevels[i] = fast;
        slowLevels[i] = slow;
    }

    fastEnvelope = fast;
    slowEnvelope = slow;
    return std::isfinite (fast) && std::isfinite (slow);
}

void TransientStage::gainsFromLevels (float* fastLevels, const float* slowLevels, int count) const noexcept
{
    // gain = 1 + amount x 1.3 x rise x presence, with rise and presence from the followers'
    // square roots. Both levels are finite and not negative here, so the clamps are plain
    // minimum and maximum operations.
    const auto scale = amount * riseScale;
    int i = 0;

#if JUCE_USE_SSE_INTRINSICS
    const auto zero = _mm_setzero_ps();
    const auto one = _mm_set1_ps (1.0f);
    const auto floor = _mm_set1_ps (riseFloor);
    const auto most = _mm_set1_ps (largestRise);
    const auto full = _mm_set1_ps (fullPresenceLevel);
    const auto scales = _mm_set1_ps (scale);

    for (; i + 4 <= count; i += 4)
    {
        const auto fast = _mm_sqrt_ps (_mm_loadu_ps (fastLevels + i));
        const auto slow = _mm_sqrt_ps (_mm_loadu_ps (slowLevels + i));
        const auto rise = _mm_min_ps (_mm_max_ps (_mm_sub_ps (_mm_div_ps (fast, _mm_add_ps (slow, floor)), one), zero), most);
        const auto presence = _mm_min_ps (_mm_max_ps (_mm_div_ps (fast, full), zero), one);
        _mm_storeu_ps (fastLevels + i, _mm_add_ps (one, _mm_mul_ps (_mm_mul_ps (scales, rise), presence)));
    }
#endif

    for (; i < count; ++i)
    {
        const auto fast = std::sqrt (fastLevels[i]);
        const auto slow = std::sqrt (slowLevels[i]);
        const auto rise = std::clamp (fast / (slow + riseFloor) - 1.0f, 0.0f, largestRise);
        const auto presence = std::clamp (fast / fullPresenceLevel, 0.0f, 1.0f);
        fastLevels[i] = 1.0f + scale * rise * presence;
    }
}
