#pragma once

#include <juce_dsp/juce_dsp.h>

namespace zob
{
/** The shelf every PUNCH and TONE filter starts from: unity gain, so it passes the signal. */
inline auto makeUnityShelf (double sampleRate) noexcept
{
    return juce::dsp::IIR::ArrayCoefficients<float>::makeLowShelf (sampleRate, 1000.0f, 0.707f, 1.0f);
}

/** Gives a filter a coefficient object of its own, sized for a biquad, and zeroes its state.
    This allocates: call it where the stage is built, never on the audio thread. */
inline void giveFilterItsOwnUnityShelf (juce::dsp::IIR::Filter<float>& filter, double sampleRate)
{
    filter.coefficients = new juce::dsp::IIR::Coefficients<float> (makeUnityShelf (sampleRate));
    filter.reset();
}

/** Writes a unity shelf into the filter's existing coefficient object and zeroes its state.
    Does not allocate once giveFilterItsOwnUnityShelf has run on the filter. */
inline void writeUnityShelf (juce::dsp::IIR::Filter<float>& filter, double sampleRate) noexcept
{
    *filter.coefficients = makeUnityShelf (sampleRate);
    filter.reset();
}
} // namespace zob
