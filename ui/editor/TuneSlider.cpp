#include "ui/editor/TuneSlider.h"

#include "engine/ApproximatelyEqual.h"

#include <cmath>

TuneSlider::TuneSlider()
    : juce::Slider (juce::Slider::LinearHorizontal, juce::Slider::NoTextBox)
{
}

double TuneSlider::snapValue (double attemptedValue, DragMode)
{
    if (juce::ModifierKeys::currentModifiers.isShiftDown())
        return attemptedValue;

    return std::round (attemptedValue);
}

void TuneSlider::mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel)
{
    if (e.mods.isShiftDown())
    {
        if (isEnabled())
            juce::Slider::mouseWheelMove (e, wheel);

        return;
    }

    if (e.eventTime == lastWheelEventTime)
        return;

    const auto pause = (e.eventTime - lastWheelEventTime).inMilliseconds();
    lastWheelEventTime = e.eventTime;

    // JUCE's sliders read a negative deltaX as a movement to the right.
    auto delta = std::abs (wheel.deltaY) >= std::abs (wheel.deltaX) ? wheel.deltaY : -wheel.deltaX;

    if (wheel.isReversed)
        delta = -delta;

    if (zob::approximatelyEqual (delta, 0.0f))
        return;

    // A change of direction or a pause starts the adding up afresh.
    if (pause > wheelPauseMs || pause < 0.0 || (wheelTravel > 0.0f) != (delta > 0.0f))
        wheelTravel = 0.0f;

    wheelTravel += delta;

    // A hair below a notch still counts as one, against rounding in the reported amounts.
    const auto notches = (int) (wheelTravel / (wheelNotch * 0.999f));

    if (notches == 0)
        return;

    wheelTravel -= (float) notches * wheelNotch;

    if ((wheelTravel > 0.0f) != (delta > 0.0f))
        wheelTravel = 0.0f;

    // Reported as a drag, as the plain slider's wheel is: the editor makes each burst one
    // undo step and the host sees a gesture.
    const ScopedDragNotification drag (*this);
    setValue (std::round (getValue()) + notches, juce::sendNotificationSync);
}
