#pragma once

#include <cmath>

/** The output soft clipper: transparent up to 0.9, then a tanh knee that approaches ±1
    without reaching it (continuous, slope 1 at the knee). Pure; any thread. */
inline float softClip (float x) noexcept
{
    constexpr float knee = 0.9f;
    constexpr float headroom = 1.0f - knee; // 0.100000024 in float

    const auto magnitude = std::abs (x);

    if (magnitude <= knee)
        return x;

    const auto shaped = knee + headroom * tanhf ((magnitude - knee) / headroom);
    return x < 0.0f ? -shaped : shaped;
}
