#pragma once

#include "engine/LoadedSample.h"

#include <juce_audio_formats/juce_audio_formats.h>

/** Reads a whole audio file into out (message thread; the reader lives only inside the call).

    Returns false, leaving out unchanged, when no registered format reads the file, when it
    holds no samples or no channels, or when it is not safe to decode (see openKickFile: a
    header that is not believable, a FLAC or Ogg stream JUCE's readers would choke on, a
    folder, pipe or device). A read error inside the data is not detected: whatever the
    reader delivers is used, made usable by makeSamplesUsable (NaN, infinite and subnormal
    samples become 0, an absurdly loud kick is turned down).
*/
bool loadSampleFile (LoadedSample& out, const juce::File& file, juce::AudioFormatManager& formats);
