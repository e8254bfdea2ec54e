#pragma once

#include "engine/ShelfFilters.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <limits>

/** TONE: tilts the spectrum around 700 Hz with a pair of opposite shelves of up to 6 dB.
    +1 cuts below by 6 dB and lifts above by 6 dB (brighter), -1 does the opposite (darker).
    Channels 0 and 1 are shaped; further channels pass untouched.

    The processor owns one (the audio thread writes `tone` and calls process; prepare runs
    from prepareToPlay while no block runs); the offline render owns its own on the message
    thread. prepare gives each filter a new coefficient object (it allocates, on the
    message thread); process and updateCoefficients write new coefficients into it in place
    and never allocate once the stage has been prepared. Nothing here locks.
    Not copyable: copies would share coefficient objects.
*/
struct ToneStage
{
    ToneStage() = default;

    /** Sets the rate (44100 when not above 0), new shelves for the current tone and zeroed filters. */
    void prepare (double newSampleRate);

    /** Shapes the buffer in place with the current `tone`. At a tone of about 0 the audio is
        untouched and the filters are reset once. */
    void process (juce::AudioBuffer<float>& buffer) noexcept;

    /** Zeroes the state of all four filters. */
    void reset() noexcept;

    /** Recomputes the shelves when `tone` has changed since the last computation. */
    void updateCoefficients() noexcept;

    /** updateCoefficients unless the current `tone` bypasses the stage, as process does before
        it shapes. Called ahead of process it only moves that work earlier (see
        ZobAudioProcessor::applyEffectChain). */
    void prepareShelves() noexcept;

    /** Stores the tone clamped to -1..1. */
    void setTone (float newTone) noexcept;

    double sampleRate = 44100.0;
    float tone = 0.0f; // -1..1, written before each block
    bool bypassed = true; // the filters were reset for a tone of about 0
    float lastTone = std::numeric_limits<float>::quiet_NaN(); // tone of the current coefficients
    std::array<zob::ShelfFilter, 2> lowShelfFilters; // channels 0 and 1
    std::array<zob::ShelfFilter, 2> highShelfFilters; // run after the low shelf

    static constexpr float largestTiltDb = 6.0f; // each shelf's gain at a tone of +-1
    static constexpr float tiltFrequencyHz = 700.0f;
    static constexpr float shelfQ = 0.707f;

private:
    /** A tone of about 0, or one that is not a number: the stage is bypassed. */
    bool isFlat() const noexcept;

    zob::ShelfDesign shelfDesign { sampleRate, tiltFrequencyHz, shelfQ }; // JUCE's shelves at sampleRate

    JUCE_DECLARE_NON_COPYABLE (ToneStage)
};
