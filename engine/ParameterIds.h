#pragma once

#include <juce_core/juce_core.h>

/** The six parameter IDs, shared by the engine and the editor. */
namespace ParameterIds
{
extern const juce::String transientAmount;
extern const juce::String punchAmount;
extern const juce::String lengthAmount;
extern const juce::String toneAmount;
extern const juce::String tuneSemitones;
extern const juce::String outputGainDb;
} // namespace ParameterIds
