#pragma once

#include "engine/ShelfFilters.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <cmath>
#include <limits>

/** PUNCH: low-end weight from a 90 Hz low shelf (0..6 dB) followed by tanh saturation
    normalised so full scale stays full scale, blended in by the amount. Channels 0 and 1
    are shaped; further channels pass untouched.

    The processor owns one (the audio thread writes `amount` and calls process; prepare runs
    from prepareToPlay while no block runs); the offline render owns its own on the message
    thread. prepare gives each filter a new coefficient object (it allocates, on the
    message thread); process writes new coefficients into it in place and never allocates
    once the stage has been prepared. Nothing here locks. Not copyable: copies
    would share coefficient objects.
*/
struct PunchStage
{
    PunchStage() = default;

    /** Sets the rate (44100 when not above 0), new unity shelves and zeroed filters. */
    void prepare (double newSampleRate);

    /** Shapes the buffer in place with the current `amount`. At or below the bypass threshold
        the audio is untouched and the filters are reset once. */
    void process (juce::AudioBuffer<float>& buffer) noexcept;

    /** Works out the shelf for the current `amount` when it has changed, as process does
        before it shapes; nothing at or below the bypass threshold. Called ahead of process it
        only moves that work earlier (see ZobAudioProcessor::applyEffectChain). */
    void updateCoefficients() noexcept;

    /** Zeroes the state of both filters. */
    void reset() noexcept;

    float amount = 0.0f; // 0..1, written before each block
    double sampleRate = 44100.0;
    bool bypassed = true; // the filters were reset for an amount at or below bypassAmount
    float lastGainDb = std::numeric_limits<float>::quiet_NaN(); // NaN forces the first computation
    std::array<zob::ShelfFilter, 2> shelfFilters; // channels 0 and 1

    static constexpr float bypassAmount = 0.0001f;
    static constexpr float largestShelfGainDb = 6.0f; // at amount 1
    static constexpr float shelfFrequencyHz = 90.0f;
    static constexpr float shelfQ = 0.707f;
    static constexpr float drive = 3.5f; // tanh input gain

private:
    /** drive x shelf (x) of count samples of the left channel, and of the right one unless
        it is null. */
    void shelveAndDrive (const float* left, const float* right, float* leftDriven, float* rightDriven, int count) noexcept;

    /** y = x + amount x (saturated / tanh (drive) - x) over count samples, saturated being
        tanh (drive x shelf (x)). */
    void blend (float* data, const float* saturated, int count) const noexcept;

    float fullScale = std::tanh (drive); // worked out once, not every block
    zob::ShelfDesign shelfDesign { sampleRate, shelfFrequencyHz, shelfQ }; // makeLowShelf at sampleRate

    static constexpr int chunkSize = 256; // samples shelved before they are saturated

    JUCE_DECLARE_NON_COPYABLE (PunchStage)
};
