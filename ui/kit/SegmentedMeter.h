#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace vyl
{
/** The output level meter: a row of segments that light up in the accent colour from
    the left, linear in decibels from -48 dB to 0 dB.

    Polls its linear level source (1.0 is full scale) every 33 ms on the message thread,
    smooths it with a fast rise and a slow fall, and ignores the mouse. The source runs on
    the message thread and reads atomics written by the audio thread; no lock is taken.
*/
class SegmentedMeter : public juce::Component,
                       public juce::Timer
{
public:
    explicit SegmentedMeter (std::function<float()> source);

    void paint (juce::Graphics&) override;

    /** One poll of the source; the timer calls it every 33 ms. */
    void timerCallback() override;

    /** The smoothed display level, 0 to 1. */
    float getLevel() const noexcept { return level; }

    /** The number of lit segments for the current level. */
    int getLitSegments() const noexcept;

    /** The level the meter heads for, 0 to 1, for a linear source value. Silence (at or
        below 1e-6, negative, NaN or infinite) is 0. */
    static float targetForLevel (float linearLevel) noexcept;

    static constexpr int numSegments = 28;
    static constexpr float floorDb = -48.0f;
    static constexpr float silenceThreshold = 1.0e-6f;
    static constexpr float riseFactor = 0.6f; // of the remaining distance per tick
    static constexpr float fallFactor = 0.12f; // of the remaining distance per tick
    static constexpr float snapToZeroBelow = 0.0015f;
    static constexpr float segmentWidthOfPitch = 0.66f;
    static constexpr int timerIntervalMs = 33;

private:
    std::function<float()> levelSource;
    float level = 0.0f;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SegmentedMeter)
};
} // namespace vyl
