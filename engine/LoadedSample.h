#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/** The loaded kick: the whole decoded file, its rate and its file name.

    Owned by the processor. Written only by the loader on the message thread (under the
    sample lock); the audio thread reads it only while it holds that lock, the pad and the
    offline render read it on the message thread.
*/
struct LoadedSample
{
    juce::AudioBuffer<float> buffer; // as many channels as the file (at least 1)
    double sampleRate = 44100.0; // the file's rate; 44100 when the reader reports none
    juce::String fileName; // name with extension, without folder
};
