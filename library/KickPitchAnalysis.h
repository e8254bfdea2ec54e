#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

/** The fundamental of a kick sample, shown to the user as the kick's key.

    A plain value record; the default one is all zero, which means invalid. The loaded kick
    keeps one (whole file, analysed on the message thread) and the key cache keeps one per
    listed file (first 1.5 s, analysed on the key detection thread).
*/
struct KickPitchResult
{
    bool valid = false;
    double hz = 0.0;
    juce::int32 note = 0; // nearest MIDI note, 0..127 (69 is A at 440 Hz)
    float cents = 0.0f; // offset of hz from note, -50..+50, positive is sharp
    float glide = 0.0f; // semitones spanned by the loudest voiced frames (80 % of the voiced energy)
    float settled = 0.0f; // semitones spanned by the steadiest window of five voiced frames
    bool approx = false; // settled is above a third of a semitone: the key is an estimate

    /** Sharp note name and octave ("C4", "A#1", "C-1"); empty when invalid. */
    juce::String noteName() const;

    /** The key badge's text: the note name, after "~" when approximate. Meant for valid results. */
    juce::String displayText() const;

    /** A copy moved by TUNE; unchanged when invalid, when semitones is 0, or when the
        moved pitch would leave MIDI notes 0..127. */
    KickPitchResult transposed (float semitones) const;
};

/** One voiced analysis frame, in time order. */
struct PitchFrame
{
    double timeMs = 0.0; // start of the frame, from the first analysed sample (the kick's peak)
    double hz = 0.0;
    double rms = 0.0;
};

/** Finds the fundamental of a kick, analysing every channel and every sample of the buffer.

    Returns an invalid result for a buffer shorter than 64 samples or without channels, a rate
    below 8000 Hz, silence, or a kick with fewer than two voiced frames. Keeps no state and
    uses only local data: safe on any thread, several at once.
*/
KickPitchResult analyseKick (const juce::AudioBuffer<float>& buffer, double sampleRate);

/** The pitch of one frame, from its normalised square difference function, searched between
    minHz and maxHz. Sets hz and clarity (0..1) when a pitch is found, both to 0 otherwise. */
void measureFramePitch (const float* frame, int length, double sampleRate, double minHz, double maxHz, double& hz, float& clarity);

/** Runs the filter over the samples forwards, then backwards, in place: no phase shift. */
void filterZeroPhase (std::vector<float>& samples, const juce::IIRCoefficients& coefficients);
