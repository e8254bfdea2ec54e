#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

/** The fundamental of a kick sample, shown to the user as the kick's key.

    A plain value record; the default one is all zero, which means invalid.
*/
struct KickPitchResult
{
    bool valid = false;
    double hz = 0.0;
    juce::int32 note = 0; // nearest MIDI note, 0..127
    float cents = 0.0f;   // offset of hz from note, -50..+50, positive is sharp
    float glide = 0.0f;   // semitones
    float settled = 0.0f; // semitones
    bool approx = false;

    juce::String noteName() const;
    juce::String displayText() const;
    KickPitchResult transposed (float semitones) const;
};

/** Finds the fundamental of a kick. Stateless: safe on any thread, several at once. */
KickPitchResult analyseKick (const juce::AudioBuffer<float>& buffer, double sampleRate);
