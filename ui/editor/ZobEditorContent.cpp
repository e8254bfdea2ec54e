// Construction, wiring, layout, the 33 ms timer and the theme switch of the canvas.

#include "ui/editor/ZobEditorContent.h"

#include "engine/ParameterIds.h"
#include "engine/ZobAudioProcessor.h"
#include "ui/kit/EmbeddedResources.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Palette.h"

namespace
{
/** The TUNE and OUTPUT value texts: Regular 16, without border, letting clicks through. */
void styleValueLabel (juce::Label& label, juce::Justification justification, juce::Colour colour)
{
    label.setJustificationType (justification);
    label.setFont (vyl::Fonts::regularFont (16.0f));
    label.setColour (juce::Label::textColourId, colour);
    label.setBorderSize ({});
    label.setInterceptsMouseClicks (false, false);
}
} // namespace

ZobEditorContent::ZobEditorContent (ZobAudioProcessor& processorToUse)
    : processor (&processorToUse)
    , browser (&processorToUse.favorites, &processorToUse.keyCache)
    , outputMeter ([p = &processorToUse]
                   { return std::max (p->peakLeft.load(), p->peakRight.load()); })
    , settingsPanel (updateService)
{
    using namespace vyl;

    launchChooser = [] (juce::FileChooser& chooser, int chooserFlags, std::function<void (const juce::FileChooser&)> callback)
    {
        chooser.launchAsync (chooserFlags, std::move (callback));
    };

    setLookAndFeel (&lookAndFeel);

    processor->keyCache.onChange = [this]
    {
        browser.repaint();
        repaint (kickBarBounds);
    };

    setWantsKeyboardFocus (true);

    addChildComponent (kickChooser);
    kickChooser.setTextWhenNoChoicesAvailable ("No presets installed");
    kickChooser.setTextWhenNothingSelected ("Choose a kick...");
    kickChooser.setWantsKeyboardFocus (false);
    kickChooser.onChange = [this]
    { kickChooserChanged(); };

    addAndMakeVisible (kickNameLabel);
    kickNameLabel.setText ("Choose a kick...", juce::dontSendNotification);
    kickNameLabel.setJustificationType (juce::Justification::centred);
    kickNameLabel.setFont (Fonts::withTracking (Fonts::semiBoldFont (16.5f), 16.5f, 0.8f));
    kickNameLabel.setColour (juce::Label::textColourId, Palette::panelText());
    kickNameLabel.setInterceptsMouseClicks (false, false);
    kickNameLabel.setMinimumHorizontalScale (0.75f);

    addAndMakeVisible (kickNameCatcher);
    kickNameCatcher.setMouseCursor (juce::MouseCursor::PointingHandCursor);
    kickNameCatcher.onClick = [this]
    { toggleBrowser(); };

    addAndMakeVisible (starCatcher);
    starCatcher.setMouseCursor (juce::MouseCursor::PointingHandCursor);
    starCatcher.onClick = [this]
    { toggleCurrentFavorite(); };
    starCatcher.onHover = [this] (bool hovered)
    {
        starHovered = hovered;
        repaint (kickBarBounds);
    };

    addChildComponent (browser);
    browser.onKickChosen = [this] (const juce::File& file)
    { selectKick (file); };
    browser.onListChanged = [this]
    { updateFavoriteStar(); };

    const auto addKnob = [this] (const juce::String& id, const juce::String& title, juce::String (*format) (double), const char* tooltip)
    {
        createKnob (id, title, format)->slider.setTooltip (tooltip);
    };

    addKnob (ParameterIds::transientAmount, "TRANSIENT", formatPercent, "TRANSIENT sharpens the front of the kick. Turn it up for more click and snap in the attack. Double-click to reset.");
    addKnob (ParameterIds::punchAmount, "PUNCH", formatPercent, "PUNCH thickens the body and adds low-end weight, the part of a kick you feel rather than hear. Double-click to reset.");
    addKnob (ParameterIds::lengthAmount, "LENGTH", formatPercent, "LENGTH shortens the tail and leaves the attack alone. Turn it down for a tight kick. Fully up is the whole sample.");
    addKnob (ParameterIds::toneAmount, "TONE", formatSignedPercent, "TONE tilts the whole kick darker or brighter. It is applied last, after TRANSIENT and PUNCH, so brightening never feeds the saturation. Double-click to reset.");

    addAndMakeVisible (pad);
    pad.keyboardState = &processor->keyboardState;
    pad.setTooltip ("Click to hear the loaded kick. Drag it out to drop the processed kick into your project as a wav, exactly as the knobs have it.");
    pad.onDragOut = [this]
    { dragOutProcessedKick(); };

    addAndMakeVisible (tuneSlider);
    tuneSlider.onDragStart = [this]
    { beginControlGesture (tuneSlider); };
    tuneSlider.onDragEnd = [this]
    { endControlGesture(); };
    tuneSlider.getProperties().set (VYLLookAndFeel::bipolarProperty, true);
    tuneSlider.setDoubleClickReturnValue (true, 0.0, juce::ModifierKeys::altModifier);
    tuneAttachment = std::make_unique<juce::AudioProcessorValueTreeState::SliderAttachment> (processor->parameters, ParameterIds::tuneSemitones, tuneSlider);
    tuneSlider.onValueChange = [this]
    {
        updateTuneLabel();
        controlValueChanged (tuneSlider);
    };
    tuneSlider.setTooltip ("TUNE pitches the kick up or down an octave. It snaps to whole semitones, and holding SHIFT tunes in cents. Tuning down makes the kick longer and tuning up makes it shorter, the way a sampler does it. Double-click to return to the kick's own pitch.");

    addAndMakeVisible (tuneValueLabel);
    styleValueLabel (tuneValueLabel, juce::Justification::centredRight, Palette::canvasText());
    updateTuneLabel();

    addAndMakeVisible (outputSlider);
    outputSlider.onDragStart = [this]
    { beginControlGesture (outputSlider); };
    outputSlider.onDragEnd = [this]
    { endControlGesture(); };
    outputSlider.setColour (juce::Slider::trackColourId, Palette::accent());
    outputSlider.setColour (juce::Slider::backgroundColourId, Palette::trackUnipolar());
    outputSlider.setColour (juce::Slider::thumbColourId, Palette::panelText());
    outputSlider.setDoubleClickReturnValue (true, 0.0, juce::ModifierKeys::altModifier);
    outputSlider.setTooltip ("OUTPUT sets the level ZOB leaves at. The meter underneath shows what is actually going out. Double-click to return to 0 dB.");
    outputAttachment = std::make_unique<juce::AudioProcessorValueTreeState::SliderAttachment> (processor->parameters, ParameterIds::outputGainDb, outputSlider);
    outputSlider.onValueChange = [this]
    {
        updateOutputLabel();
        controlValueChanged (outputSlider);
    };

    addAndMakeVisible (outputValueLabel);
    styleValueLabel (outputValueLabel, juce::Justification::centredLeft, Palette::panelText());
    updateOutputLabel();

    addAndMakeVisible (outputMeter);

    addAndMakeVisible (gearButton);
    gearButton.setWantsKeyboardFocus (false);
    gearButton.setTooltip ("Settings: window size, light or dark, tooltips, and checking for updates");
    gearButton.onClick = [this]
    { toggleSettingsPanel(); };

    for (auto* button : { &randomiseButton, &undoButton, &redoButton, &compareButton })
    {
        addAndMakeVisible (*button);
        button->setWantsKeyboardFocus (false);
    }

    undoButton.setEnabled (false);
    redoButton.setEnabled (false);
    randomiseButton.setTooltip ("Roll TRANSIENT, PUNCH, LENGTH and TONE to new values. One press is one undo step, and it never changes the loaded kick or the output level.");
    undoButton.setTooltip ("Undo the last change");
    redoButton.setTooltip ("Redo");
    compareButton.setTooltip ("Compare with the unprocessed kick (TRANSIENT, PUNCH, LENGTH and TONE bypassed)");
    compareButton.setClickingTogglesState (true);
    compareButton.setToggleState (processor->compareEnabled.load(), juce::dontSendNotification);

    compareButton.onClick = [this]
    { processor->compareEnabled.exchange (compareButton.getToggleState()); };
    randomiseButton.onClick = [this]
    {
        processor->randomiseShaping();
        updateUndoRedoButtons();
    };
    undoButton.onClick = [this]
    {
        processor->undo();
        updateUndoRedoButtons();
    };
    redoButton.onClick = [this]
    {
        processor->redo();
        updateUndoRedoButtons();
    };

    processor->onStateRestored = [this]
    { syncKickChooser(); };

    browser.onRemoveConfirmed = [this] (const juce::File& file)
    { removeKick (file); };
    browser.onAddKicks = [this]
    { chooseKicksToAdd(); };

    addChildComponent (settingsPanel);
    settingsPanel.onClose = [this]
    { settingsPanel.setVisible (false); };
    settingsPanel.onScaleChanged = [this] (float scale)
    {
        if (onScaleChanged)
            onScaleChanged (scale);
    };
    settingsPanel.onDarkModeChanged = [this] (bool dark)
    {
        if (onDarkModeChanged)
            onDarkModeChanged (dark);
    };
    settingsPanel.onTooltipsChanged = [this] (bool on)
    {
        if (onTooltipsChanged)
            onTooltipsChanged (on);
    };

    addAndMakeVisible (grainOverlay);
    grainOverlay.setInterceptsMouseClicks (false, false);
    grainOverlay.toFront (false);

    rebuildKickChooser();
    refreshWaveform();

    startTimer (timerIntervalMs);
    setSize (canvasWidth, canvasHeight);
}

ZobEditorContent::~ZobEditorContent()
{
    processor->keyCache.onChange = {};
    processor->onStateRestored = {};
    stopTimer();
    setLookAndFeel (nullptr);
}

//==============================================================================
float ZobEditorContent::getOutputLevel() const
{
    return std::max (processor->peakLeft.load(), processor->peakRight.load());
}

void ZobEditorContent::toggleSettingsPanel()
{
    if (settingsPanel.isVisible())
    {
        settingsPanel.setVisible (false);
        return;
    }

    settingsPanel.setVisible (true);
    settingsPanel.toFront (false);
}

void ZobEditorContent::resized()
{
    prevArrowArea = prevArrowBounds;
    nextArrowArea = nextArrowBounds;
    starCatcher.setBounds (starBounds);
    kickNameLabel.setBounds (kickNameBounds);
    kickNameCatcher.setBounds (kickNameCatcherBounds);
    kickChooser.setBounds (kickBarBounds);

    for (int i = 0; i < knobs.size(); ++i)
    {
        auto* knob = knobs[i];
        const auto columnX = knobColumnX + knobColumnWidth * i;
        knob->slider.setBounds (columnX + knobSliderInset, knobSliderY, knobSliderSize, knobSliderSize);
        knob->titleLabel.setBounds (columnX, knobTitleY, knobColumnWidth, knobTitleHeight);
        knob->valueLabel.setBounds (columnX, knobValueY, knobColumnWidth, knobValueHeight);
    }

    pad.setBounds (padBounds);
    outputValueLabel.setBounds (outputValueBounds);
    tuneSlider.setBounds (tuneSliderBounds);
    tuneValueLabel.setBounds (tuneValueBounds);
    outputSlider.setBounds (outputSliderBounds);
    outputMeter.setBounds (outputMeterBounds);

    int i = 0;

    for (auto* button : { &randomiseButton, &undoButton, &redoButton, &compareButton })
        button->setBounds (headerButtonX + headerButtonPitch * i++, headerButtonY, headerButtonSize, headerButtonSize);

    gearButton.setBounds (gearBounds);
    settingsPanel.setBounds (getLocalBounds());
    browser.setBounds (getLocalBounds());
    grainOverlay.setBounds (getLocalBounds());
}

void ZobEditorContent::timerCallback()
{
    const auto elapsed = clock() - processor->lastTriggerTime.load();
    const auto phase = elapsed < flashDurationMs ? (float) elapsed / (float) flashDurationMs : 1.0f;
    const auto animating = phase < 1.0f;

    if (animating || flashActive)
    {
        pad.flashPhase = phase;
        pad.repaint();
    }

    flashActive = animating;
    updateUndoRedoButtons();

    // The counter wraps every 49.7 days: the expiry has passed when the difference, read
    // as a signed number, is positive.
    if (toastText.isNotEmpty() && (juce::int32) (clock() - toastExpiryMs) > 0)
    {
        toastText.clear();
        repaint();
    }
}

void ZobEditorContent::applyTheme()
{
    using namespace vyl;

    lookAndFeel.applyColourScheme();
    kickNameLabel.setColour (juce::Label::textColourId, Palette::panelText());
    outputSlider.setColour (juce::Slider::trackColourId, Palette::accent());
    outputSlider.setColour (juce::Slider::backgroundColourId, Palette::trackUnipolar());
    outputSlider.setColour (juce::Slider::thumbColourId, Palette::panelText());
    outputValueLabel.setColour (juce::Label::textColourId, Palette::panelText());
    tuneValueLabel.setColour (juce::Label::textColourId, Palette::canvasText());

    for (auto* knob : knobs)
    {
        knob->slider.setColour (juce::Slider::rotarySliderFillColourId, Palette::accent());
        knob->slider.setColour (juce::Slider::thumbColourId, Palette::accent());
        knob->titleLabel.setColour (juce::Label::textColourId, Palette::canvasText());
        knob->valueLabel.setColour (juce::Label::textColourId, Palette::textSecondary());
    }

    settingsPanel.refreshColours();
    browser.applyColours();

    repaint();

    for (auto* child : getChildren())
        child->repaint();
}

//==============================================================================
ZobEditorContent::GrainOverlay::GrainOverlay()
{
    const auto grain = vyl::EmbeddedResources::grainPng();
    image = juce::ImageCache::getFromMemory (grain.data, (int) grain.size);
}

void ZobEditorContent::GrainOverlay::paint (juce::Graphics& g)
{
    if (! image.isValid())
        return;

    g.setOpacity (0.12f);
    g.drawImage (image, getLocalBounds().toFloat(), juce::RectanglePlacement::stretchToFit);
}
