#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

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

/** Whether any of count samples lies beyond the soft clipper's knee (infinities and NaN
    count as beyond). Compares magnitudes as bit patterns, which the compiler runs several
    samples at a time. */
inline bool anyBeyondSoftClipKnee (const float* samples, int count) noexcept
{
    std::int32_t kneeBits;
    std::memcpy (&kneeBits, &softClipKnee, sizeof (kneeBits));
    std::int32_t beyond = 0;

    for (int i = 0; i < count; ++i)
    {
        std::int32_t bits;
        std::memcpy (&bits, samples + i, sizeof (bits));
        beyond |= (bits & 0x7fffffff) > kneeBits ? 1 : 0;
    }

    return beyond != 0;
}

/** softClip on count samples in place. Most blocks stay within the knee, where the clipper
    changes nothing: one vector scan finds that out, and only a block that goes beyond it is
    clipped sample by sample. */
inline void softClipInPlace (float* samples, int count) noexcept
{
    if (! anyBeyondSoftClipKnee (samples, count))
        return;

    for (int i = 0; i < count; ++i)
        samples[i] = softClip (samples[i]);
}
