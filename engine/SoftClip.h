#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <cmath>

constexpr float softClipKnee = 0.9f; // the clipper is transparent up to this magnitude

/** The output soft clipper: transparent up to 0.9, then a tanh knee that approaches ±1
    without reaching it (continuous, slope 1 at the knee). Pure; any thread. */
inline float softClip (float x) noexcept
{
    constexpr float knee = softClipKnee;
    constexpr float headroom = 1.0f - knee; // 0.100000024 in float

    const auto magnitude = std::abs (x);

    if (magnitude <= knee)
        return x;

    const auto shaped = knee + headroom * tanhf ((magnitude - knee) / headroom);
    return x < 0.0f ? -shaped : shaped;
}

/** softClip on count samples in place. Most blocks stay within the knee, where the clipper
    changes nothing: one vector scan finds that out, and only a block that goes beyond it is
    clipped sample by sample. */
inline void softClipInPlace (float* samples, int count) noexcept
{
    const auto range = juce::FloatVectorOperations::findMinAndMax (samples, count);

    if (range.getStart() >= -softClipKnee && range.getEnd() <= softClipKnee)
        return;

    for (int i = 0; i < count; ++i)
        samples[i] = softClip (samples[i]);
}
