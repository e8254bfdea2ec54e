#include "ui/editor/ZobAudioProcessorEditor.h"

#include "engine/ProcessorState.h"
#include "engine/ZobAudioProcessor.h"
#include "ui/kit/UiDarkModeFlag.h"

ZobAudioProcessorEditor::ZobAudioProcessorEditor (ZobAudioProcessor& processorToUse)
    : juce::AudioProcessorEditor (processorToUse)
    , processorRef (processorToUse)
    , content (processorToUse)
{
    addAndMakeVisible (content);

    content.onScaleChanged = [this] (float scale)
    { setUiScale (scale); };
    content.onDarkModeChanged = [this] (bool dark)
    { setDarkMode (dark); };
    content.onTooltipsChanged = [this] (bool on)
    { setShowTooltips (on); };

    setUiScale (processorRef.uiScale);
    // The content took its colours from the flag that createEditor set.
    content.settingsPanel.setDarkMode (processorRef.uiDarkMode);
    setShowTooltips (processorRef.showTooltips);
}

ZobAudioProcessorEditor::~ZobAudioProcessorEditor() = default;

void ZobAudioProcessorEditor::setUiScale (float scale)
{
    currentScale = snapUiScale (scale);
    content.setTransform (juce::AffineTransform::scale (currentScale));
    setSize (juce::roundToInt ((float) ZobEditorContent::canvasWidth * currentScale),
             juce::roundToInt ((float) ZobEditorContent::canvasHeight * currentScale));
    content.settingsPanel.setScale (currentScale);
    processorRef.setUiScale (currentScale);
}

void ZobAudioProcessorEditor::setDarkMode (bool dark)
{
    uiDarkModeFlag = dark;
    content.applyTheme();
    content.settingsPanel.setDarkMode (dark);
    processorRef.setUiDarkMode (dark);
}

void ZobAudioProcessorEditor::setShowTooltips (bool on)
{
    if (! on)
    {
        tooltipWindow.reset();
    }
    else if (tooltipWindow == nullptr)
    {
        tooltipWindow = std::make_unique<juce::TooltipWindow> (this, tooltipDelayMs);
        tooltipWindow->setLookAndFeel (&content.lookAndFeel);
        // JUCE's tooltip window is opaque; the rounded corners would show stale pixels.
        tooltipWindow->setOpaque (false);
    }

    content.settingsPanel.setTooltipsOn (on);
    processorRef.setShowTooltips (on);
}

void ZobAudioProcessorEditor::resized()
{
    content.setBounds (0, 0, content.getWidth(), content.getHeight());
}
