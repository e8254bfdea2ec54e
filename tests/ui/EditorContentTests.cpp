// The canvas as a whole: its fixed layout, its state after construction, the 33 ms timer
// (pad flash, toast expiry), the settings panel's gear and the callbacks it leaves behind.

#include "ui/EditorFixture.h"

#include <gtest/gtest.h>

namespace
{
using Rect = juce::Rectangle<int>;
} // namespace

TEST (EditorContent, FixedLayout)
{
    zobtest::EditorFixture fixture;
    auto& c = fixture.content();

    struct Case
    {
        const char* name;
        Rect actual, expected;
    };

    const Case cases[] = {
        { "previous arrow", c.prevArrowArea, { 20, 123, 45, 37 } },
        { "next arrow", c.nextArrowArea, { 335, 123, 45, 37 } },
        { "star", c.starCatcher.getBounds(), { 73, 133, 17, 17 } },
        { "kick name", c.kickNameLabel.getBounds(), { 107, 123, 186, 37 } },
        { "name catcher", c.kickNameCatcher.getBounds(), { 90, 123, 245, 37 } },
        { "chooser", c.kickChooser.getBounds(), { 20, 123, 360, 37 } },
        { "knob 0", c.knobs[0]->slider.getBounds(), { 31, 212, 68, 68 } },
        { "knob 3", c.knobs[3]->slider.getBounds(), { 301, 212, 68, 68 } },
        { "knob 1 title", c.knobs[1]->titleLabel.getBounds(), { 110, 182, 90, 16 } },
        { "knob 2 value", c.knobs[2]->valueLabel.getBounds(), { 200, 280, 90, 17 } },
        { "pad", c.pad.getBounds(), { 93, 317, 214, 214 } },
        { "output value", c.outputValueLabel.getBounds(), { 35, 628, 62, 20 } },
        { "tune", c.tuneSlider.getBounds(), { 20, 554, 360, 20 } },
        { "tune value", c.tuneValueLabel.getBounds(), { 240, 536, 140, 14 } },
        { "output", c.outputSlider.getBounds(), { 116, 612, 246, 20 } },
        { "meter", c.outputMeter.getBounds(), { 116, 639, 246, 9 } },
        { "randomise", c.randomiseButton.getBounds(), { 26, 22, 20, 20 } },
        { "undo", c.undoButton.getBounds(), { 52, 22, 20, 20 } },
        { "redo", c.redoButton.getBounds(), { 78, 22, 20, 20 } },
        { "compare", c.compareButton.getBounds(), { 104, 22, 20, 20 } },
        { "gear", c.gearButton.getBounds(), { 352, 22, 20, 20 } },
        { "settings", c.settingsPanel.getBounds(), { 0, 0, 400, 710 } },
        { "browser", c.browser.getBounds(), { 0, 0, 400, 710 } },
        { "grain", c.grainOverlay.getBounds(), { 0, 0, 400, 710 } },
    };

    for (const auto& k : cases)
        EXPECT_EQ (k.actual, k.expected) << k.name;

    // The grain lies over everything and passes every click to the widget beneath.
    EXPECT_EQ (c.getChildren().getLast(), &c.grainOverlay);
    EXPECT_EQ (c.getComponentAt (200, 424), &c.pad);
    EXPECT_EQ (c.getComponentAt (30, 30), &c.randomiseButton);
}

TEST (EditorContent, StateAfterConstruction)
{
    zobtest::EditorFixture fixture;
    auto& c = fixture.content();
    auto& processor = fixture.processor;

    // The processor starts with the first factory kick, and the canvas shows it.
    const auto factory = ZobAudioProcessor::listFactoryKicks();
    ASSERT_FALSE (factory.isEmpty()) << "the editor tests need the factory kicks beside their program";
    EXPECT_EQ (processor.samplePath, factory[0]);
    EXPECT_FALSE (c.kickChooser.isVisible());
    EXPECT_EQ (c.kickFiles.at (c.kickChooser.getSelectedId()), juce::File (factory[0]));
    EXPECT_EQ (c.kickNameLabel.getText(), c.getKickDisplayName (factory[0]));
    EXPECT_FALSE (c.browser.isVisible());
    EXPECT_FALSE (c.settingsPanel.isVisible());
    EXPECT_EQ (c.pad.getMonoBuffer().getNumSamples(), processor.loadedSample.buffer.getNumSamples());
    EXPECT_TRUE (c.hasKeyboardFocus (false) || c.getWantsKeyboardFocus());
    EXPECT_FALSE (c.kickChooser.getWantsKeyboardFocus());
    EXPECT_FALSE (c.gearButton.getWantsKeyboardFocus());
    EXPECT_FALSE (c.undoButton.getWantsKeyboardFocus());

    // Both upward callbacks are set while the canvas lives and empty once it is gone.
    EXPECT_TRUE (processor.onStateRestored != nullptr);
    EXPECT_TRUE (processor.keyCache.onChange != nullptr);
    fixture.editor.reset();
    EXPECT_TRUE (processor.onStateRestored == nullptr);
    EXPECT_TRUE (processor.keyCache.onChange == nullptr);
}

TEST (EditorContent, WithoutKicksTheNameAsksForOne)
{
    const zobtest::ScopedScheme scheme (false);
    const zobtest::ScopedTempHome home;
    ZobAudioProcessor processor;
    processor.loadedSample = {};
    processor.samplePath.clear();

    // An editor built while no kick is loaded: empty pad, the name asks for a kick.
    std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditor());
    auto& content = static_cast<ZobAudioProcessorEditor&> (*editor).content;
    EXPECT_EQ (content.kickNameLabel.getText(), "Choose a kick...");
    EXPECT_EQ (content.kickChooser.getSelectedId(), 0);
    EXPECT_TRUE (content.pad.getPeaks().empty());
    content.dragOutProcessedKick(); // nothing to drag: nothing happens
}

TEST (EditorContent, PadFlashFollowsTheProcessorsLastTrigger)
{
    zobtest::EditorFixture fixture;
    auto& c = fixture.content();
    juce::uint32 now = 100000;
    c.clock = [&now]
    { return now; };

    c.timerCallback();
    EXPECT_FALSE (c.flashActive);
    EXPECT_EQ (c.pad.flashPhase, 1.0f);

    fixture.processor.lastTriggerTime = now;
    now += 90;
    c.timerCallback();
    EXPECT_TRUE (c.flashActive);
    EXPECT_FLOAT_EQ (c.pad.flashPhase, 0.2f);

    // A new note restarts the flash.
    fixture.processor.lastTriggerTime = now;
    c.timerCallback();
    EXPECT_EQ (c.pad.flashPhase, 0.0f);

    now += 450;
    c.timerCallback();
    EXPECT_FALSE (c.flashActive);
    EXPECT_EQ (c.pad.flashPhase, 1.0f);

    // Across the counter's wrap the elapsed time is still right.
    fixture.processor.lastTriggerTime = 0xffffff00u;
    now = 0x00000010u; // 272 ms later
    c.timerCallback();
    EXPECT_NEAR (c.pad.flashPhase, 272.0f / 450.0f, 1.0e-6f);
}

TEST (EditorContent, ToastLastsItsTimeAlsoAcrossTheCounterWrap)
{
    zobtest::EditorFixture fixture;
    auto& c = fixture.content();
    juce::uint32 now = 0;
    c.clock = [&now]
    { return now; };

    for (const juce::uint32 start : { 100000u, 0xffffffffu - 1000u })
    {
        SCOPED_TRACE (start);
        now = start;

        c.showToast ("1 kick added");
        EXPECT_EQ (c.toastExpiryMs, start + 2500u);

        for (const juce::uint32 later : { 33u, 1500u, 2500u })
        {
            now = start + later;
            c.timerCallback();
            EXPECT_EQ (c.toastText, "1 kick added") << later;
        }

        now = start + 2501u;
        c.timerCallback();
        EXPECT_TRUE (c.toastText.isEmpty());
    }

    // A second toast replaces the first and gets its own full time.
    now = 5000;
    c.showToast ("Nothing added");
    now = 7000;
    c.showToast ("Kick removed");
    now = 9000;
    c.timerCallback();
    EXPECT_EQ (c.toastText, "Kick removed");
}

TEST (EditorContent, GearOpensAndClosesTheSettingsPanelAboveEverything)
{
    zobtest::EditorFixture fixture;
    auto& c = fixture.content();

    c.gearButton.onClick();
    ASSERT_TRUE (c.settingsPanel.isVisible());
    EXPECT_EQ (c.getChildren().getLast(), &c.settingsPanel);
    EXPECT_FALSE (c.settingsPanel.hasKeyboardFocus (true));
    auto* hit = c.getComponentAt (362, 32); // the gear lies under the panel
    EXPECT_TRUE (hit == &c.settingsPanel || c.settingsPanel.isParentOf (hit));
    c.settingsPanel.onClose();
    EXPECT_FALSE (c.settingsPanel.isVisible());
    c.gearButton.onClick();
    EXPECT_TRUE (c.settingsPanel.isVisible());
    c.gearButton.onClick();
    EXPECT_FALSE (c.settingsPanel.isVisible());

    // The panel's callbacks reach the editor only through the canvas's own.
    c.onScaleChanged = nullptr;
    c.settingsPanel.onScaleChanged (0.75f);
    EXPECT_EQ (fixture.editor->getWidth(), 400);
}
