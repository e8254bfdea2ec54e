#pragma once

#include "ui/editor/ZobEditorContent.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

class ZobAudioProcessor;

/** The plug-in's editor: the window's content in the standalone app and in hosts.

    It shows the fixed 400 x 710 canvas (ZobEditorContent) at 75 % or 100 % through a
    transform, owns the tooltip window while tooltips are on, and carries out the three
    display settings of the settings panel, which the processor stores for new editors and
    instances. The tooltip window is declared after the content, so it goes first, before
    the look-and-feel it draws with. Created by ZobAudioProcessor::createEditor; message
    thread only.
*/
class ZobAudioProcessorEditor : public juce::AudioProcessorEditor
{
public:
    explicit ZobAudioProcessorEditor (ZobAudioProcessor& processor);
    ~ZobAudioProcessorEditor() override;

    /** Shows the canvas at 0.75 or 1.0 (anything else snaps) and stores the choice. */
    void setUiScale (float scale);

    /** Switches the whole interface to the dark (true) or light scheme and stores it. */
    void setDarkMode (bool dark);

    /** Creates or deletes the tooltip window and stores the choice. */
    void setShowTooltips (bool on);

    void resized() override;

    ZobAudioProcessor& processorRef;
    ZobEditorContent content;
    std::unique_ptr<juce::TooltipWindow> tooltipWindow;
    float currentScale = 1.0f;

    static constexpr int tooltipDelayMs = 700;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZobAudioProcessorEditor)
};
