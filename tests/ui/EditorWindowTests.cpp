// The editor window: its two scales, the colour scheme switch and the tooltip window, each
// stored for the next editor, and "ui.xml" written only when a setting changes.

#include "ui/EditorFixture.h"
#include "ui/kit/Palette.h"

#include <gtest/gtest.h>

namespace
{
int countTooltipWindows (juce::Component& editor)
{
    int count = 0;

    for (auto* child : editor.getChildren())
        if (dynamic_cast<juce::TooltipWindow*> (child) != nullptr)
            ++count;

    return count;
}

struct UiSettings
{
    float scale = 0.0f;
    bool dark = false, tooltips = false;
};

UiSettings readUiSettings()
{
    UiSettings settings;
    ZobAudioProcessor::loadUiSettings (settings.scale, settings.dark, settings.tooltips);
    return settings;
}
} // namespace

TEST (EditorWindow, ScaleResizesTheWindowAndIsStoredOnlyWhenItChanges)
{
    zobtest::EditorFixture fixture;
    auto& editor = *fixture.editor;
    const auto uiFile = ZobAudioProcessor::getUiSettingsFile();

    // Opening applies the stored values and writes nothing.
    EXPECT_EQ (editor.getWidth(), 400);
    EXPECT_EQ (editor.getHeight(), 710);
    EXPECT_FALSE (uiFile.exists());

    fixture.content().onScaleChanged (0.75f); // as the settings panel's "75%" does
    EXPECT_EQ (editor.getWidth(), 300);
    EXPECT_EQ (editor.getHeight(), 532);
    EXPECT_EQ (fixture.content().getBounds(), juce::Rectangle<int> (0, 0, 400, 710));
    EXPECT_EQ (editor.currentScale, 0.75f);
    EXPECT_EQ (readUiSettings().scale, 0.75f);

    // The whole canvas is scaled, mouse hit areas included: the pad's centre (200, 424)
    // lies at (150, 318) in the window.
    editor.setVisible (true);
    auto* hit = editor.getComponentAt (150, 318);
    EXPECT_TRUE (hit == &fixture.content().pad || fixture.content().pad.isParentOf (hit)) << (hit != nullptr ? hit->getName() + " " + typeid (*hit).name() : juce::String ("none"));

    // The painting follows: the kick bar's inside (100, 127) lies at (75, 95).
    fixture.content().grainOverlay.setVisible (false);
    const auto small = zobtest::render (editor);
    zobtest::saveSnapshot (small, "window-75");
    EXPECT_EQ (small.getWidth(), 300);
    EXPECT_LE (zobtest::colourDistance (small.getPixelAt (75, 95), vyl::Palette::panel()), 3);
    EXPECT_GT (zobtest::colourDistance (small.getPixelAt (75, 85), vyl::Palette::panel()), 40);

    // The scale in force again writes nothing.
    ASSERT_TRUE (uiFile.deleteFile());
    editor.setUiScale (0.75f);
    EXPECT_FALSE (uiFile.exists());

    // A new editor opens at the stored scale; anything but 0.75 shows at 100 %.
    fixture.editor.reset (static_cast<ZobAudioProcessorEditor*> (fixture.processor.createEditor()));
    EXPECT_EQ (fixture.editor->getWidth(), 300);
    fixture.editor->setUiScale (0.8f);
    EXPECT_EQ (fixture.editor->getWidth(), 400);
    EXPECT_EQ (fixture.editor->getHeight(), 710);
    EXPECT_EQ (readUiSettings().scale, 1.0f);
}

TEST (EditorWindow, DarkModeRecoloursEveryWidgetAndIsStored)
{
    zobtest::EditorFixture fixture;
    EXPECT_FALSE (uiDarkModeFlag);
    auto& content = fixture.content();
    const auto lightText = vyl::Palette::panelText();

    content.onDarkModeChanged (true);
    ASSERT_TRUE (uiDarkModeFlag);
    EXPECT_NE (vyl::Palette::panelText(), lightText);
    EXPECT_EQ (content.kickNameLabel.findColour (juce::Label::textColourId), vyl::Palette::panelText());
    EXPECT_EQ (content.outputValueLabel.findColour (juce::Label::textColourId), vyl::Palette::panelText());
    EXPECT_EQ (content.outputSlider.findColour (juce::Slider::thumbColourId), vyl::Palette::panelText());
    EXPECT_EQ (content.tuneValueLabel.findColour (juce::Label::textColourId), vyl::Palette::canvasText());
    EXPECT_EQ (content.knobs[0]->titleLabel.findColour (juce::Label::textColourId), vyl::Palette::canvasText());
    EXPECT_EQ (content.knobs[3]->valueLabel.findColour (juce::Label::textColourId), vyl::Palette::textSecondary());
    EXPECT_EQ (content.lookAndFeel.findColour (juce::Label::textColourId), vyl::Palette::textSecondary());
    EXPECT_TRUE (readUiSettings().dark);

    // The next editor starts dark, without switching.
    fixture.editor.reset();
    uiDarkModeFlag = false;
    fixture.editor.reset (static_cast<ZobAudioProcessorEditor*> (fixture.processor.createEditor()));
    EXPECT_TRUE (uiDarkModeFlag);
    EXPECT_EQ (fixture.content().kickNameLabel.findColour (juce::Label::textColourId), vyl::Palette::panelText());

    // The scheme in force again writes nothing.
    ASSERT_TRUE (ZobAudioProcessor::getUiSettingsFile().deleteFile());
    fixture.editor->setDarkMode (true);
    EXPECT_FALSE (ZobAudioProcessor::getUiSettingsFile().exists());
}

TEST (EditorWindow, OneTooltipWindowWhileTooltipsAreOn)
{
    zobtest::EditorFixture fixture;
    auto& editor = *fixture.editor;

    ASSERT_EQ (countTooltipWindows (editor), 1);
    auto* window = editor.tooltipWindow.get();
    EXPECT_FALSE (window->isOpaque()); // its rounded corners show the window beneath
    EXPECT_EQ (&window->getLookAndFeel(), &fixture.content().lookAndFeel);
    EXPECT_EQ (window->getParentComponent(), &editor); // not scaled with the canvas

    fixture.content().onTooltipsChanged (true);
    EXPECT_EQ (countTooltipWindows (editor), 1);
    EXPECT_EQ (editor.tooltipWindow.get(), window);
    EXPECT_FALSE (ZobAudioProcessor::getUiSettingsFile().exists());

    fixture.content().onTooltipsChanged (false);
    EXPECT_EQ (countTooltipWindows (editor), 0);
    EXPECT_FALSE (readUiSettings().tooltips);

    // An editor opened with tooltips off has none until they are turned on.
    fixture.editor.reset (static_cast<ZobAudioProcessorEditor*> (fixture.processor.createEditor()));
    EXPECT_EQ (countTooltipWindows (*fixture.editor), 0);
    fixture.editor->setShowTooltips (true);
    fixture.editor->setShowTooltips (true);
    EXPECT_EQ (countTooltipWindows (*fixture.editor), 1);
    EXPECT_TRUE (readUiSettings().tooltips);
}
