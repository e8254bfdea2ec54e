#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

namespace zobtest
{
/** A decaying sine of the given pitch, the same on every channel unless spread is set
    (then each channel gets its own level). */
juce::AudioBuffer<float> makeSineKick (int numChannels, int numSamples, double sampleRate, double hz = 55.0, bool spread = false);

/** Writes buffer as a WAV file; false when it could not be written. */
bool writeWavFile (const juce::File& file, const juce::AudioBuffer<float>& buffer, double sampleRate, int bitsPerSample = 24);

/** An audio file read back with JUCE's basic formats. */
struct DecodedAudio
{
    bool ok = false;
    juce::String formatName;
    juce::AudioBuffer<float> buffer;
    double sampleRate = 0.0;
    unsigned int bitsPerSample = 0;
    bool usesFloatingPointData = false;
};

DecodedAudio readAudioFile (const juce::File& file);
} // namespace zobtest
