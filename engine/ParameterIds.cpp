#include "engine/ParameterIds.h"

namespace ParameterIds
{
const juce::String transientAmount { "transientAmount" };
const juce::String punchAmount { "punchAmount" };
const juce::String lengthAmount { "lengthAmount" };
const juce::String toneAmount { "toneAmount" };
const juce::String tuneSemitones { "tuneSemitones" };
const juce::String outputGainDb { "outputGainDb" };
} // namespace ParameterIds
