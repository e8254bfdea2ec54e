// The editor window: its two scales, the colour scheme switch and the tooltip window, each
// stored for the next editor, and "ui.xml" written only when a setting changes.

#include "ui/EditorFixture.h"
#include "ui/kit/Palette.h"

#include <gtest/gtest.h>

#include <stdexcept>

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

TEST (EditorWindow, SettingsPanelShowsAndChangesTheDisplaySettings)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();

    const auto button = [&content] (const char* text) -> juce::TextButton&
    {
        for (auto* child : content.settingsPanel.getChildren())
            if (auto* b = dynamic_cast<juce::TextButton*> (child); b != nullptr && b->getButtonText() == text)
                return *b;

        throw std::runtime_error (std::string ("no button ") + text);
    };
    const auto toggle = [&button] (const char* text)
    { return button (text).getToggleState(); };

    EXPECT_TRUE (toggle ("100%"));
    EXPECT_FALSE (toggle ("75%"));
    EXPECT_TRUE (toggle ("LIGHT"));
    EXPECT_TRUE (toggle ("ON"));

    fixture.editor->setUiScale (0.75f);
    fixture.editor->setDarkMode (true);
    fixture.editor->setShowTooltips (false);
    EXPECT_TRUE (toggle ("75%"));
    EXPECT_FALSE (toggle ("100%"));
    EXPECT_TRUE (toggle ("DARK"));
    EXPECT_FALSE (toggle ("LIGHT"));
    EXPECT_TRUE (toggle ("OFF"));
    EXPECT_FALSE (toggle ("ON"));

    // The panel's buttons reach the editor through the canvas's callbacks.
    content.gearButton.onClick();
    button ("100%").triggerClick();
    button ("LIGHT").triggerClick();
    button ("ON").triggerClick();
    zobtest::runPendingMessages();
    EXPECT_EQ (fixture.editor->getWidth(), 400);
    EXPECT_FALSE (uiDarkModeFlag);
    EXPECT_NE (fixture.editor->tooltipWindow, nullptr);
    EXPECT_TRUE (toggle ("100%"));
    EXPECT_FALSE (toggle ("75%"));
    EXPECT_EQ (readUiSettings().scale, 1.0f);
    EXPECT_FALSE (readUiSettings().dark);
    EXPECT_TRUE (readUiSettings().tooltips);
}

TEST (EditorWindow, TheCanvasTakesTheFocusWhenItsWindowIsShownOrBroughtToTheFront)
{
    zobtest::EditorFixture fixture;
    auto& processor = fixture.processor;
    const auto factory = ZobAudioProcessor::listFactoryKicks();
    ASSERT_EQ (processor.samplePath, factory[0]);

    // A window as the standalone app has one: a top-level component that wants the focus
    // itself, with a button of its own beside the editor, which wants it too.
    struct Window : juce::Component
    {
        Window() { setWantsKeyboardFocus (true); }
        juce::TextButton options { "Options" };
    };

    zobtest::ignoreXErrors();
    Window window;
    window.setSize (400, 740);
    window.addAndMakeVisible (window.options);
    window.options.setBounds (0, 0, 60, 30);
    window.addAndMakeVisible (*fixture.editor);
    fixture.editor->setTopLeftPosition (0, 30);
    window.addToDesktop (0);
    window.setVisible (true);
    zobtest::runPendingMessages();

    const auto canvasHasFocus = [&]
    { return fixture.content().hasKeyboardFocus (false); };

    // Shown without being activated (the desktop's focus is elsewhere): nothing is taken.
    ASSERT_FALSE (window.getPeer()->isFocused());
    EXPECT_FALSE (canvasHasFocus());

    // Activated: JUCE focuses the window itself when its peer gains the focus; the canvas
    // takes it from there, and the keys work without a click.
    zobtest::moveDesktopFocusTo (window.getWindowHandle());
    EXPECT_TRUE (zobtest::runMessagesUntil (canvasHasFocus, 2000));
    EXPECT_TRUE (window.getPeer()->handleKeyPress (juce::KeyPress (juce::KeyPress::downKey)));
    EXPECT_EQ (processor.samplePath, factory[1]);

    // With the browser open the browser takes it, so Escape closes it.
    fixture.content().browser.show();
    window.grabKeyboardFocus();
    EXPECT_TRUE (zobtest::runMessagesUntil ([&]
                                            { return fixture.content().browser.hasKeyboardFocus (false); },
                                            2000));
    EXPECT_TRUE (window.getPeer()->handleKeyPress (juce::KeyPress (juce::KeyPress::escapeKey)));
    EXPECT_FALSE (fixture.content().browser.isVisible());

    // A click on the window's own button (the app's "Options") leaves the focus with the
    // canvas: the button takes none, as JUCE's title-bar buttons take none.
    EXPECT_FALSE (window.options.getWantsKeyboardFocus());
    const auto click = [&] (juce::Point<float> where)
    {
        auto& peer = *window.getPeer();
        const auto time = juce::Time::currentTimeMillis();
        peer.handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, where, juce::ModifierKeys::leftButtonModifier, juce::MouseInputSource::defaultPressure, 0.0f, time);
        peer.handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, where, {}, juce::MouseInputSource::defaultPressure, 0.0f, time + 50);
    };
    click ({ 30.0f, 15.0f });
    zobtest::runPendingMessages();
    EXPECT_TRUE (canvasHasFocus());

    // Another program takes the focus: nothing here has it, and nothing is taken back.
    zobtest::moveDesktopFocusTo (nullptr);
    EXPECT_TRUE (zobtest::runMessagesUntil ([]
                                            { return juce::Component::getCurrentlyFocusedComponent() == nullptr; },
                                            2000));
    zobtest::runPendingMessages();
    EXPECT_FALSE (window.getPeer()->isFocused());
    EXPECT_FALSE (canvasHasFocus());

    // Brought to the front again, the keys work at once.
    zobtest::moveDesktopFocusTo (window.getWindowHandle());
    EXPECT_TRUE (zobtest::runMessagesUntil (canvasHasFocus, 2000));
    EXPECT_TRUE (window.getPeer()->handleKeyPress (juce::KeyPress (juce::KeyPress::upKey)));
    EXPECT_EQ (processor.samplePath, factory[0]);

    // An editor put into a window that holds the focus takes it at once (the standalone app
    // builds a new editor in its window when its state is reset).
    fixture.editor.reset (static_cast<ZobAudioProcessorEditor*> (processor.createEditor()));
    ASSERT_TRUE (window.hasKeyboardFocus (false));
    window.addAndMakeVisible (*fixture.editor);
    EXPECT_TRUE (canvasHasFocus());

    // A focus held elsewhere in the program (another window) stays there.
    juce::TextEditor field;
    field.setSize (200, 30);
    field.addToDesktop (0);
    field.setVisible (true);
    field.grabKeyboardFocus();
    ASSERT_TRUE (field.hasKeyboardFocus (false));
    zobtest::runPendingMessages();
    EXPECT_TRUE (field.hasKeyboardFocus (false));
    EXPECT_FALSE (fixture.content().hasKeyboardFocus (true));
}
