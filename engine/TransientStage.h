#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/** TRANSIENT: lifts the attack with a gain driven by how far a fast (4 ms) follower of the
    squared peak rises above a slow (25 ms) one.

    A constant level passes unchanged; an onset after quiet gets up to 1 + 2.6 x amount;
    material whose fast level is below -40 dBFS gets proportionally less. All channels are
    scaled by the same gain.

    The processor owns one (the audio thread writes `amount` and calls process; prepare runs
    from prepareToPlay while no block runs); the offline render owns its own on the message
    thread. Nothing here allocates or locks.
*/
struct TransientStage
{
    /** Sets the rate (44100 when not above 0), the follower coefficients and clears both followers. */
    void prepare (double newSampleRate) noexcept;

    /** Shapes the buffer in place with the current `amount`. At or below the bypass threshold
        only the followers move and the audio is untouched. */
    void process (juce::AudioBuffer<float>& buffer) noexcept;

    /** Zeroes both followers. */
    void reset() noexcept;

    float amount = 0.0f; // 0..1, written before each block
    double sampleRate = 44100.0;
    float fastCoefficient = 0.0f; // e^(-1 / (fastSeconds x rate))
    float slowCoefficient = 0.0f; // e^(-1 / (slowSeconds x rate))
    float fastEnvelope = 0.0f; // fast follower of the squared peak
    float slowEnvelope = 0.0f; // slow follower of the squared peak

    static constexpr double fastSeconds = 0.004;
    static constexpr double slowSeconds = 0.025;
    static constexpr float bypassAmount = 0.0001f; // at or below: audio untouched
    static constexpr float riseScale = 1.3f; // gain per unit of rise at amount 1
    static constexpr float largestRise = 2.0f; // fast level at most 3 x the slow one counts
    static constexpr float riseFloor = 0.001f; // keeps the ratio finite after silence
    static constexpr float fullPresenceLevel = 0.01f; // -40 dBFS: fast level of the full lift

private:
    /** The largest squared magnitude over all channels of each sample from start on. */
    static void squaredPeaks (const float* const* channels, int numChannels, int start, int count, float* squared) noexcept;

    /** Moves both followers through count squared peaks and leaves their values after each
        sample in fastLevels and slowLevels. */
    void follow (const float* squared, float* fastLevels, float* slowLevels, int count, bool shaping) noexcept;

    /** follow's loop; with restartRunaways, a follower that is no longer finite starts again
        from zero, both of them. False when a follower is not finite at the end. */
    template <bool restartRunaways>
    bool runFollowers (const float* squared, float* fastLevels, float* slowLevels, int count) noexcept;

    /** Turns the followers' values into the gain of each sample, written over fastLevels. */
    void gainsFromLevels (float* fastLevels, const float* slowLevels, int count) const noexcept;

    static constexpr int chunkSize = 256; // samples whose followers are worked out at once
};
