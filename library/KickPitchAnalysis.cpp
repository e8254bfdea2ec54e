#include "library/KickPitchAnalysis.h"

// Placeholder until the analysis lands: every kick reads as having no clear pitch.
juce::String KickPitchResult::noteName() const { return {}; }
juce::String KickPitchResult::displayText() const { return {}; }
KickPitchResult KickPitchResult::transposed (float) const { return *this; }

KickPitchResult analyseKick (const juce::AudioBuffer<float>&, double) { return {}; }
