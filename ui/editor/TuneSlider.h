#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The TUNE slider: a horizontal slider that lands on whole semitones, with Shift giving the
    parameter's own fine steps (cents).

    The mouse wheel without Shift moves TUNE by whole semitones: the wheel's movement is added
    up and each notch's worth steps one semitone from the rounded value, so a touchpad swipe
    of many small events moves it as far as the same distance on a wheel. Each step is
    reported as a drag (onDragStart, onDragEnd), like the plain slider's wheel, which is
    what the Shift wheel is. The editor content owns it and binds it to tuneSemitones.
    Message thread only.
*/
class TuneSlider : public juce::Slider
{
public:
    TuneSlider();

    void mouseWheelMove (const juce::MouseEvent&, const juce::MouseWheelDetails&) override;
    double snapValue (double attemptedValue, DragMode) override;

    /** The wheel movement of one notch as JUCE reports it on this platform. */
    static constexpr float wheelNotch =
#if JUCE_WINDOWS
        60.0f / 256.0f;
#else
        50.0f / 256.0f;
#endif

    /** A pause this long starts the adding up afresh (milliseconds). */
    static constexpr double wheelPauseMs = 500.0;

private:
    juce::Time lastWheelEventTime; // JUCE sends some wheel events twice, with the same time
    float wheelTravel = 0.0f; // movement not yet turned into semitones, in wheel units

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TuneSlider)
};
