#pragma once

#include <juce_dsp/juce_dsp.h>

namespace zob
{
/** Gives a filter a new coefficient object of its own holding a unity shelf (it passes the
    signal unchanged) and zeroes its state, sized for a biquad. Every PUNCH and TONE filter
    starts from this in its stage's prepare.

    This allocates: call it where the stage is prepared, never on the audio thread. Once it
    has run, new shelves are written into the same object in place and the filter's state
    already has its size, so processing never allocates.
*/
inline void giveFilterAUnityShelf (juce::dsp::IIR::Filter<float>& filter, double sampleRate)
{
    filter.coefficients = new juce::dsp::IIR::Coefficients<float> (
        juce::dsp::IIR::ArrayCoefficients<float>::makeLowShelf (sampleRate, 1000.0f, 0.707f, 1.0f));
    filter.reset();
}
} // namespace zob
