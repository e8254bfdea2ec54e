// The knobs, TUNE and OUTPUT with their value labels, the undo step of each control gesture,
// the undo and redo buttons, the click catchers of the kick bar and its tooltips.

#include "engine/ApproximatelyEqual.h"
#include "engine/ZobAudioProcessor.h"
#include "ui/editor/ZobEditorContent.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Palette.h"

#include "engine/ParameterIds.h"

#include <cmath>

namespace
{
bool isSameSound (const StateSnapshot& a, const StateSnapshot& b)
{
    return zob::approximatelyEqual (a.transientAmount, b.transientAmount)
           && zob::approximatelyEqual (a.punchAmount, b.punchAmount)
           && zob::approximatelyEqual (a.lengthAmount, b.lengthAmount)
           && zob::approximatelyEqual (a.toneAmount, b.toneAmount)
           && zob::approximatelyEqual (a.outputGainDb, b.outputGainDb)
           && zob::approximatelyEqual (a.tuneSemitones, b.tuneSemitones)
           && a.samplePath == b.samplePath;
}
} // namespace

//==============================================================================
ZobEditorContent::Knob* ZobEditorContent::createKnob (const juce::String& parameterID, const juce::String& title, std::function<juce::String (double)> formatter)
{
    using namespace vyl;

    auto knob = std::make_unique<Knob>();
    auto& slider = knob->slider;
    addAndMakeVisible (slider);
    slider.setColour (juce::Slider::rotarySliderFillColourId, Palette::accent());
    slider.setColour (juce::Slider::thumbColourId, Palette::accent());
    slider.onDragStart = [this, &slider]
    { beginControlGesture (slider); };
    slider.onDragEnd = [this]
    { endControlGesture(); };

    if (auto* parameter = processor->parameters.getParameter (parameterID))
    {
        const auto& range = parameter->getNormalisableRange();
        const auto defaultValue = range.snapToLegalValue (range.convertFrom0to1 (juce::jlimit (0.0f, 1.0f, parameter->getDefaultValue())));
        slider.setDoubleClickReturnValue (true, defaultValue, juce::ModifierKeys::altModifier);
    }

    auto& titleLabel = knob->titleLabel;
    titleLabel.setText (title, juce::dontSendNotification);
    titleLabel.setJustificationType (juce::Justification::centred);
    titleLabel.setFont (Fonts::boldFont (13.0f).withExtraKerningFactor (0.3f / 13.0f));
    titleLabel.setColour (juce::Label::textColourId, Palette::canvasText());
    titleLabel.setBorderSize ({});
    titleLabel.setMinimumHorizontalScale (0.92f);
    addAndMakeVisible (titleLabel);

    auto& valueLabel = knob->valueLabel;
    valueLabel.setJustificationType (juce::Justification::centred);
    valueLabel.setFont (Fonts::regularFont (14.0f));
    valueLabel.setColour (juce::Label::textColourId, Palette::textSecondary());
    valueLabel.setBorderSize ({});
    valueLabel.setMinimumHorizontalScale (1.0f);
    addAndMakeVisible (valueLabel);

    slider.onValueChange = [this, &valueLabel, &slider, formatter]
    {
        valueLabel.setText (formatter (slider.getValue()), juce::dontSendNotification);
        controlValueChanged (slider);
    };

    knob->attachment = std::make_unique<juce::AudioProcessorValueTreeState::SliderAttachment> (processor->parameters, parameterID, slider);
    valueLabel.setText (formatter (slider.getValue()), juce::dontSendNotification);

    return knobs.add (std::move (knob));
}

//==============================================================================
juce::String ZobEditorContent::formatPercent (double value)
{
    return juce::String (juce::roundToInt (value * 100.0)) + "%";
}

juce::String ZobEditorContent::formatSignedPercent (double value)
{
    const auto percent = juce::roundToInt (value * 100.0);

    if (percent == 0)
        return "0";

    return (percent > 0 ? "+" : "") + juce::String (percent) + "%";
}

juce::String ZobEditorContent::formatTune (double semitones)
{
    const auto v = std::round (semitones * 100.0) / 100.0;

    if (zob::approximatelyEqual (v, 0.0))
        return "0 st";

    const auto sign = v > 0.0 ? juce::String ("+") : juce::String();

    if (zob::approximatelyEqual (v, std::round (v)))
        return sign + juce::String ((int) std::round (v)) + " st";

    auto number = juce::String (v, 2);

    while (number.endsWithChar ('0'))
        number = number.dropLastCharacters (1);

    return sign + number + " st";
}

juce::String ZobEditorContent::formatOutput (double decibels)
{
    if (decibels <= -59.9)
        return "-INF";

    return juce::String (decibels, 1) + " dB";
}

void ZobEditorContent::updateTuneLabel()
{
    tuneValueLabel.setText (formatTune (tuneSlider.getValue()), juce::dontSendNotification);
    repaint (kickBarBounds); // the key badge follows TUNE
}

void ZobEditorContent::updateOutputLabel()
{
    outputValueLabel.setText (formatOutput (outputSlider.getValue()), juce::dontSendNotification);
}

//==============================================================================
void ZobEditorContent::updateUndoRedoButtons()
{
    const auto canUndo = ! processor->undoStack.empty();
    const auto canRedo = ! processor->redoStack.empty();

    if (canUndo != undoEnabled)
    {
        undoEnabled = canUndo;
        undoButton.setEnabled (canUndo);
    }

    if (canRedo != redoEnabled)
    {
        redoEnabled = canRedo;
        redoButton.setEnabled (canRedo);
    }
}

void ZobEditorContent::beginControlGesture (const juce::Slider& slider)
{
    // JUCE's slider reports a drag start for every press (a plain click and a double-click
    // too) and wraps each wheel event in one. Wheel events come without a mouse button
    // down; those that follow each other on one control without a pause are one gesture,
    // once one of them has moved the value.
    if (! juce::ModifierKeys::currentModifiers.isAnyMouseButtonDown())
    {
        const auto now = clock();
        const auto sameBurst = lastWheelSlider == &slider && now - lastWheelGestureMs < wheelGestureGapMs;
        lastWheelSlider = &slider;
        lastWheelGestureMs = now;

        if (sameBurst && wheelBurstHasStep)
            return;

        wheelBurstHasStep = false;
    }
    else
    {
        lastWheelSlider = nullptr;
    }

    // A double-click reports a second drag start inside the press's own: the sound before
    // the press is the one to go back to.
    if (! gestureStart.has_value())
    {
        gestureStart = processor->captureSnapshot();
        gestureSlider = &slider;
    }
}

void ZobEditorContent::controlValueChanged (const juce::Slider& slider)
{
    // The step is pushed only once a gesture moves its control's value, with the sound from
    // before it: a click that moves nothing leaves the history, redo included, as it was.
    if (! gestureStart.has_value() || gestureSlider != &slider)
        return;

    const auto before = *gestureStart;
    gestureStart.reset();
    pushUndoStep (before);

    if (lastWheelSlider != nullptr)
        wheelBurstHasStep = true;
}

void ZobEditorContent::endControlGesture()
{
    gestureStart.reset();
}

void ZobEditorContent::pushUndoStep (const StateSnapshot& before)
{
    // A step that would restore exactly the last step would make undo seem to do nothing;
    // the change still starts a new branch, so redo goes.
    if (! processor->undoStack.empty() && isSameSound (processor->undoStack.back(), before))
    {
        processor->redoStack.clear();
        return;
    }

    processor->pushUndoSnapshot (before);
}

//==============================================================================
juce::String ZobEditorContent::getTooltip()
{
    return getTooltipAt (getMouseXYRelative());
}

juce::String ZobEditorContent::getTooltipAt (juce::Point<int> point)
{
    if (browser.isVisible())
        return {};

    if (prevArrowArea.contains (point))
        return "Previous kick in the list";

    if (nextArrowArea.contains (point))
        return "Next kick in the list";

    if (! kickBarBounds.contains (point))
        return {};

    if (starBounds.contains (point) && processor->samplePath.isNotEmpty())
        return isCurrentFavorite ? "Remove this kick from your favorites"
                                 : "Add this kick to your favorites, so it shows on the FAVORITES tab";

    if (keyBadgeBounds.contains (point))
    {
        const auto shown = processor->getKickPitch().transposed (processor->getParameterValue (ParameterIds::tuneSemitones, 0.0f));

        if (! shown.valid)
            return "No clear pitch could be found in this kick";

        auto text = "Detected key: " + shown.noteName();
        const auto cents = juce::roundToInt (shown.cents);

        if (cents != 0)
            text << ", " << std::abs (cents) << (std::abs (cents) == 1 ? " cent " : " cents ") << (cents > 0 ? "sharp" : "flat");

        if (shown.approx)
            text << ". The pitch is still moving where it was measured, so this is an estimate.";

        return text;
    }

    return "Click to browse the kicks";
}

//==============================================================================
ZobEditorContent::ClickCatcher::~ClickCatcher()
{
    onHover = nullptr;
    onClick = nullptr;
}

void ZobEditorContent::ClickCatcher::mouseEnter (const juce::MouseEvent&)
{
    if (onHover)
        onHover (true);
}

void ZobEditorContent::ClickCatcher::mouseExit (const juce::MouseEvent&)
{
    if (onHover)
        onHover (false);
}

void ZobEditorContent::ClickCatcher::mouseUp (const juce::MouseEvent& e)
{
    const auto position = e.getPosition();

    if (position.x >= 0 && position.y >= 0 && position.x < getWidth() && position.y < getHeight() && onClick)
        onClick();
}

juce::String ZobEditorContent::ClickCatcher::getTooltip()
{
    // JUCE's tooltip window asks only the component under the mouse; the bar's texts are
    // the canvas's.
    if (auto* content = findParentComponentOfClass<ZobEditorContent>())
        return content->getTooltip();

    return {};
}
