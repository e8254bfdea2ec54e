// Stepping through the kicks of the browser's shown tab with the arrows and the Up and Down
// keys, and the kick bar's arrows and star as the browser's state paints them.

#include "ui/EditorFixture.h"
#include "ui/kit/Palette.h"

#include <gtest/gtest.h>

namespace
{
/** Shows the browser, clicks one of its tabs (0 ALL KICKS, 1 FAVORITES, 2 USER) and closes it. */
void showTab (ZobEditorContent& content, int tab)
{
    content.browser.show();
    const juce::Point<float> tabCentres[] = { { 80.0f, 184.0f }, { 200.0f, 184.0f }, { 320.0f, 184.0f } };
    content.browser.mouseDown (zobtest::mouseEventAt (content.browser, tabCentres[tab]));
    content.browser.mouseUp (zobtest::mouseEventAt (content.browser, tabCentres[tab]));
    content.browser.close();
}

juce::Colour arrowColour (ZobEditorContent& content)
{
    content.grainOverlay.setVisible (false);
    return zobtest::render (content).getPixelAt (43, 141);
}
} // namespace

TEST (KickNavigation, ArrowsAndKeysStepThroughTheShownTabAndWrapRound)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    auto& processor = fixture.processor;
    const auto factory = ZobAudioProcessor::listFactoryKicks();
    ASSERT_EQ (processor.samplePath, factory[0]);

    struct Step
    {
        const char* how;
        std::function<bool()> act;
        int expectedIndex; // in the factory list; -1 the last
    };

    const std::vector<Step> steps = {
        { "Down", [&]
          { return fixture.key (juce::KeyPress::downKey); },
          1 },
        { "Down", [&]
          { return fixture.key (juce::KeyPress::downKey); },
          2 },
        { "Up", [&]
          { return fixture.key (juce::KeyPress::upKey); },
          1 },
        { "previous arrow", [&]
          { fixture.clickCanvas ({ 42, 141 }); return true; },
          0 },
        { "previous arrow wraps", [&]
          { fixture.clickCanvas ({ 42, 141 }); return true; },
          -1 },
        { "next arrow wraps", [&]
          { fixture.clickCanvas ({ 357, 141 }); return true; },
          0 },
        { "Shift+Down", [&]
          { return fixture.key (juce::KeyPress::downKey, juce::ModifierKeys::shiftModifier); },
          1 },
    };

    size_t undoSteps = 0;

    for (const auto& step : steps)
    {
        SCOPED_TRACE (step.how);
        fixture.moveShaping();
        EXPECT_TRUE (step.act());
        const auto expected = step.expectedIndex < 0 ? factory[factory.size() - 1] : factory[step.expectedIndex];
        EXPECT_EQ (processor.samplePath, expected);
        EXPECT_TRUE (fixture.shapingAtDefaults());
        EXPECT_EQ (processor.undoStack.size(), ++undoSteps);
    }
}

TEST (KickNavigation, OnTheFavoritesTabStepsGoThroughTheFavourites)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    auto& processor = fixture.processor;
    const auto factory = ZobAudioProcessor::listFactoryKicks();
    const auto enabledArrow = []
    { return vyl::Palette::textMuted(); };

    // An empty tab: nothing to step to, and the arrows are drawn disabled.
    showTab (content, 1);
    ASSERT_EQ (content.browser.getCurrentTab(), (int) vyl::PresetBrowserPopup::favoritesTab);
    EXPECT_TRUE (fixture.key (juce::KeyPress::downKey));
    EXPECT_EQ (processor.samplePath, factory[0]);
    const auto disabledArrow = vyl::Palette::panel().interpolatedWith (vyl::Palette::textMuted(), 0x4c / 255.0f);
    EXPECT_LE (zobtest::colourDistance (arrowColour (content), disabledArrow), 3);
    content.prevArrowHovered = true; // disabled arrows look the same hovered
    EXPECT_LE (zobtest::colourDistance (arrowColour (content), disabledArrow), 3);
    content.prevArrowHovered = false;

    processor.favorites.toggleFavorite (juce::File (factory[3]).getFileName());
    processor.favorites.toggleFavorite (juce::File (factory[6]).getFileName());
    EXPECT_LE (zobtest::colourDistance (arrowColour (content), enabledArrow()), 3);
    content.prevArrowHovered = true;
    EXPECT_LE (zobtest::colourDistance (arrowColour (content), vyl::Palette::panelText()), 3);
    content.prevArrowHovered = false;

    // From a kick that is not a favourite: Down gives the first, Up the last.
    EXPECT_TRUE (fixture.key (juce::KeyPress::downKey));
    EXPECT_EQ (processor.samplePath, factory[3]);
    processor.undo();
    EXPECT_TRUE (fixture.key (juce::KeyPress::upKey));
    EXPECT_EQ (processor.samplePath, factory[6]);
    EXPECT_TRUE (fixture.key (juce::KeyPress::downKey));
    EXPECT_EQ (processor.samplePath, factory[3]);
}

TEST (KickNavigation, DropsSwitchTheBrowserToTheUserTab)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    ASSERT_EQ (content.browser.getCurrentTab(), (int) vyl::PresetBrowserPopup::allKicksTab);

    const auto kick = zobtest::EditorFixture::writeKick (fixture.home.temp().getChildFile ("drop/Mine.wav"));
    content.filesDropped ({ kick.getFullPathName() }, 5, 5);
    EXPECT_EQ (content.browser.getCurrentTab(), (int) vyl::PresetBrowserPopup::userTab);

    // The arrows now step through the user kicks only.
    ASSERT_EQ (content.browser.getVisibleItems().size(), 1u);
    EXPECT_TRUE (fixture.key (juce::KeyPress::downKey));
    EXPECT_EQ (fixture.processor.samplePath, fixture.userKicks().getChildFile ("Mine.wav").getFullPathName());
}

TEST (KickNavigation, ReturnAndEscapeCloseTheBrowser)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();

    content.kickNameCatcher.onClick();
    ASSERT_TRUE (content.browser.isVisible());
    EXPECT_EQ (content.getChildren().getLast(), &content.browser);
    EXPECT_TRUE (fixture.key (juce::KeyPress::returnKey));
    EXPECT_FALSE (content.browser.isVisible());

    content.kickNameCatcher.onClick();
    EXPECT_FALSE (content.browser.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey, juce::ModifierKeys::shiftModifier, 0)));
    EXPECT_TRUE (content.browser.isVisible());
    EXPECT_TRUE (content.browser.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey)));
    EXPECT_FALSE (content.browser.isVisible());
}

TEST (KickNavigation, StarOfTheKickBar)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    content.grainOverlay.setVisible (false);
    const auto accentInStar = [&content]
    {
        const auto image = zobtest::render (content);
        int count = 0;

        for (int y = 133; y < 150; ++y)
            for (int x = 73; x < 90; ++x)
                count += zobtest::colourDistance (image.getPixelAt (x, y), vyl::Palette::accent()) < 30 ? 1 : 0;

        return count;
    };

    EXPECT_EQ (accentInStar(), 0);
    content.starCatcher.onClick();
    EXPECT_GT (accentInStar(), 40);

    // Starring in the browser shows on the bar at once.
    content.starCatcher.onClick();
    EXPECT_EQ (accentInStar(), 0);
}

TEST (KickNavigation, AUserCopyOfAFactoryKickIsSteppedFromItsOwnRow)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    auto& processor = fixture.processor;
    const auto factory = ZobAudioProcessor::listFactoryKicks();
    const juce::File factoryKick (factory[1]);
    const auto copy = fixture.userKicks().getChildFile (factoryKick.getFileName());
    const auto after = fixture.userKicks().getChildFile ("Zz After.wav");

    // ALL KICKS: the factory kicks, then the copy, then "Zz After.wav".
    content.filesDropped ({ factoryKick.getFullPathName(), zobtest::EditorFixture::writeKick (fixture.home.temp().getChildFile ("drop/Zz After.wav")).getFullPathName() }, 5, 5);
    ASSERT_EQ (processor.samplePath, copy.getFullPathName());
    showTab (content, 0);
    ASSERT_EQ ((int) content.browser.getVisibleItems().size(), factory.size() + 2);

    // Shown, the list scrolls to the copy's own row at the end, not to the factory row.
    content.browser.show();
    content.browser.scrollToCurrent();
    EXPECT_EQ (content.browser.getScrollOffset(), (factory.size() + 1) * 30 - content.browser.getListArea().getHeight());

    struct Step
    {
        int key;
        juce::File expected;
    };

    const Step steps[] = {
        { juce::KeyPress::downKey, after },
        { juce::KeyPress::upKey, copy },
        { juce::KeyPress::upKey, juce::File (factory[factory.size() - 1]) },
        { juce::KeyPress::downKey, copy },
        { juce::KeyPress::downKey, after },
        { juce::KeyPress::downKey, juce::File (factory[0]) },
    };

    for (const auto& step : steps)
    {
        EXPECT_TRUE (fixture.key (step.key));
        EXPECT_EQ (processor.samplePath, step.expected.getFullPathName());
    }
}

TEST (KickNavigation, DownWalksPastAKickThatCannotBeLoaded)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    auto& processor = fixture.processor;
    const auto user = fixture.userKicks();

    // Import refuses such a file, but anything can be put into the folder by hand.
    const auto first = zobtest::EditorFixture::writeKick (user.getChildFile ("A.wav"));
    const auto broken = user.getChildFile ("B Broken.wav");
    ASSERT_TRUE (broken.replaceWithText ("not audio"));
    const auto last = zobtest::EditorFixture::writeKick (user.getChildFile ("C.wav"), 70.0);
    content.rebuildKickChooser();
    content.browser.showUserTab();
    content.selectKick (first);
    ASSERT_EQ (processor.samplePath, first.getFullPathName());

    EXPECT_TRUE (fixture.key (juce::KeyPress::downKey));
    EXPECT_EQ (processor.samplePath, first.getFullPathName());
    EXPECT_EQ (content.toastText, "Could not load kick");

    EXPECT_TRUE (fixture.key (juce::KeyPress::downKey));
    EXPECT_EQ (processor.samplePath, last.getFullPathName());

    // Backwards too, and the arrows the same way: past it to the kick before.
    EXPECT_TRUE (fixture.key (juce::KeyPress::upKey));
    EXPECT_EQ (processor.samplePath, last.getFullPathName());
    fixture.clickCanvas ({ 42, 141 });
    EXPECT_EQ (processor.samplePath, first.getFullPathName());

    // Once a kick plays again the steps start from it.
    EXPECT_TRUE (fixture.key (juce::KeyPress::upKey));
    EXPECT_EQ (processor.samplePath, last.getFullPathName());
}
