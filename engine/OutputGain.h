#pragma once

#include <cmath>

/** The OUTPUT level in dB as a linear gain: silence at or below -59.9 dB (and for anything
    not above -100 dB, NaN included), else 10^(dB / 20). Pure; any thread. */
inline float outputGainFromDecibels (float decibels) noexcept
{
    constexpr float silenceAtOrBelowDb = -59.9f;

    if (decibels <= silenceAtOrBelowDb || ! (decibels > -100.0f))
        return 0.0f;

    return std::pow (10.0f, decibels * 0.05f);
}
