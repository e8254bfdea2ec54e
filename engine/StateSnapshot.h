#pragma once

#include <juce_core/juce_core.h>

/** One step of the undo history: the six control values and the loaded kick.

    The values are the parameters' raw (denormalised) values: amounts 0..1, TONE -1..1,
    OUTPUT in dB, TUNE in semitones. The path is the processor's `samplePath` at capture,
    so undoing across a kick change loads that kick again. Message thread only.
*/
struct StateSnapshot
{
    float transientAmount = 0.0f;
    float punchAmount = 0.0f;
    float lengthAmount = 1.0f;
    float toneAmount = 0.0f;
    float outputGainDb = 0.0f;
    float tuneSemitones = 0.0f;
    juce::String samplePath;
};
