#pragma once

#include "engine/LoadedSample.h"

#include <juce_audio_formats/juce_audio_formats.h>

/** Reads a whole audio file into out (message thread; the reader lives only inside the call).

    Returns false, leaving out unchanged, when no registered format reads the file, when it
    holds no samples or no channels, or when its header is not believable: a length beyond
    what a buffer can index or the file can hold, more audio than a kick could ever need, or
    a sample rate that is not finite or is absurdly high. A read error inside the data is not
    detected: whatever the reader delivers is used.
*/
bool loadSampleFile (LoadedSample& out, const juce::File& file, juce::AudioFormatManager& formats);
