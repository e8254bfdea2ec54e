// The kick selector of the real editor: names, choosing a kick (and what that resets), the
// selection after undo and redo, kicks of the same name in both libraries, a kick that
// cannot be loaded, the keys, the arrows' hover, the star and the kick name's browser.

#include "ui/EditorFixture.h"

#include <gtest/gtest.h>

namespace
{
const juce::ModifierKeys ctrl (juce::ModifierKeys::ctrlModifier);
const juce::ModifierKeys ctrlShift (juce::ModifierKeys::ctrlModifier | juce::ModifierKeys::shiftModifier);

int idOf (ZobEditorContent& content, const juce::File& file)
{
    for (const auto& [id, kick] : content.kickFiles)
        if (kick == file)
            return id;

    return 0;
}
} // namespace

TEST (KickSelector, ListsFactoryThenUserKicksWithTheirNames)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    const auto user = fixture.userKicks();

    struct Case
    {
        juce::String path;
        const char* name;
    };

    const Case cases[] = {
        { "/opt/kicks/VYL_Kick_Deep_05.wav", "KICK DEEP 05" },
        { "/opt/kicks/Garage - Kick 7.wav", "GARAGE - KICK 07" },
        { user.getChildFile ("my deep kick.wav").getFullPathName(), "MY DEEP KICK" },
        { user.getChildFile ("Sub/Boom.AIFF").getFullPathName(), "BOOM" },
        { user.getChildFile ("v1.2 kick.wav").getFullPathName(), "V1.2 KICK" },
        { user.getChildFile (".wav").getFullPathName(), ".wav" }, // only an extension
    };

    for (const auto& c : cases)
        EXPECT_EQ (content.getKickDisplayName (c.path), juce::String (c.name)) << c.path;

    // A user kick named only by its extension is listed, named and can be chosen.
    const auto dotWav = zobtest::EditorFixture::writeKick (user.getChildFile (".wav"), 70.0);
    content.rebuildKickChooser();
    content.selectKick (dotWav);
    EXPECT_EQ (fixture.processor.samplePath, dotWav.getFullPathName());
    EXPECT_EQ (content.kickNameLabel.getText(), ".wav");
    EXPECT_EQ (content.kickChooser.getText(), ".wav");

    // Ids 1..n, factory kicks first, every kick with an item.
    const auto factory = ZobAudioProcessor::listFactoryKicks();
    ASSERT_EQ ((int) content.kickFiles.size(), factory.size() + 1);
    EXPECT_EQ (content.kickChooser.getNumItems(), factory.size() + 1);

    for (int i = 0; i < factory.size(); ++i)
        EXPECT_EQ (content.kickFiles.at (i + 1), juce::File (factory[i]));

    EXPECT_EQ (content.kickFiles.rbegin()->second, dotWav);
}

TEST (KickSelector, ChoosingAKickLoadsItAndResetsTheShapingOnly)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    auto& processor = fixture.processor;
    const auto factory = ZobAudioProcessor::listFactoryKicks();
    ASSERT_GE (factory.size(), 4);
    ASSERT_EQ (processor.samplePath, factory[0]);

    fixture.moveShaping();
    fixture.setValue (ParameterIds::tuneSemitones, 2.0f);
    fixture.setValue (ParameterIds::outputGainDb, -3.0f);
    const auto firstSamples = processor.loadedSample.buffer.getNumSamples();

    // The kick that plays again: nothing happens.
    content.selectKick (juce::File (factory[0]));
    EXPECT_TRUE (processor.undoStack.empty());
    EXPECT_FALSE (fixture.shapingAtDefaults());

    // A kick that is not listed: nothing happens.
    content.selectKick (fixture.home.temp().getChildFile ("elsewhere.wav"));
    EXPECT_TRUE (processor.undoStack.empty());

    content.selectKick (juce::File (factory[3]));
    EXPECT_EQ (processor.samplePath, factory[3]);
    EXPECT_EQ (processor.undoStack.size(), 1u);
    EXPECT_TRUE (fixture.shapingAtDefaults());
    EXPECT_EQ (fixture.value (ParameterIds::tuneSemitones), 2.0f);
    EXPECT_NEAR (fixture.value (ParameterIds::outputGainDb), -3.0f, 1.0e-4f);
    EXPECT_EQ (content.kickNameLabel.getText(), content.getKickDisplayName (factory[3]));
    EXPECT_EQ (content.kickChooser.getSelectedId(), 4);
    EXPECT_EQ (content.pad.getMonoBuffer().getNumSamples(), processor.loadedSample.buffer.getNumSamples());

    // Undo brings the first kick back with the values it had, not the defaults.
    content.keyPressed (juce::KeyPress ('z', ctrl, 0));
    EXPECT_EQ (processor.samplePath, factory[0]);
    EXPECT_EQ (content.kickChooser.getSelectedId(), 1);
    EXPECT_EQ (content.kickNameLabel.getText(), content.getKickDisplayName (factory[0]));
    EXPECT_FLOAT_EQ (fixture.value (ParameterIds::transientAmount), 0.5f);
    EXPECT_FLOAT_EQ (fixture.value (ParameterIds::toneAmount), -0.3f);
    EXPECT_EQ (content.pad.getMonoBuffer().getNumSamples(), firstSamples);
    EXPECT_TRUE (content.redoButton.isEnabled());

    content.keyPressed (juce::KeyPress ('y', ctrl, 0));
    EXPECT_EQ (processor.samplePath, factory[3]);
    EXPECT_EQ (content.kickChooser.getSelectedId(), 4);
    EXPECT_TRUE (fixture.shapingAtDefaults());
}

TEST (KickSelector, KicksOfOneFileNameInBothLibrariesAreToldApartByPath)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    auto& processor = fixture.processor;
    const juce::File factoryKick (processor.samplePath);
    const auto userKick = fixture.userKicks().getChildFile (factoryKick.getFileName());

    // Dropping the factory file makes a user kick of the same name, which it then chooses.
    content.filesDropped ({ factoryKick.getFullPathName() }, 10, 10);
    ASSERT_TRUE (userKick.existsAsFile());
    EXPECT_EQ (content.toastText, "1 kick added");
    EXPECT_EQ (processor.samplePath, userKick.getFullPathName());
    EXPECT_EQ (content.kickChooser.getSelectedId(), idOf (content, userKick));

    // Undo plays the factory kick again; the selection shows it, also after a rebuild.
    processor.undo();
    ASSERT_EQ (processor.samplePath, factoryKick.getFullPathName());
    EXPECT_EQ (content.kickChooser.getSelectedId(), idOf (content, factoryKick));
    content.rebuildKickChooser();
    EXPECT_EQ (content.kickChooser.getSelectedId(), idOf (content, factoryKick));

    // Choosing the user kick loads it, as one undo step.
    fixture.moveShaping();
    const auto steps = processor.undoStack.size();
    content.selectKick (userKick);
    EXPECT_EQ (processor.samplePath, userKick.getFullPathName());
    EXPECT_EQ (processor.undoStack.size(), steps + 1);
    EXPECT_TRUE (fixture.shapingAtDefaults());

    // And the factory row loads the factory kick, again as one step.
    fixture.moveShaping();
    content.selectKick (factoryKick);
    EXPECT_EQ (processor.samplePath, factoryKick.getFullPathName());
    EXPECT_EQ (processor.undoStack.size(), steps + 2);
    EXPECT_EQ (content.kickChooser.getSelectedId(), idOf (content, factoryKick));
    EXPECT_TRUE (fixture.shapingAtDefaults());
}

TEST (KickSelector, AKickThatCannotBeLoadedLeavesThePlayingOneShown)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    auto& processor = fixture.processor;

    // Import refuses such a file, but anything can be put into the folder by hand.
    const auto broken = fixture.userKicks().getChildFile ("Broken.wav");
    broken.getParentDirectory().createDirectory();
    ASSERT_TRUE (broken.replaceWithText ("not audio"));
    content.rebuildKickChooser();

    const auto playing = processor.samplePath;
    const auto playingId = content.kickChooser.getSelectedId();
    fixture.moveShaping();
    processor.pushUndoSnapshot();
    fixture.setValue (ParameterIds::punchAmount, 0.7f);
    processor.undo(); // one step on each side
    const auto undoSteps = processor.undoStack.size();
    const auto redoSteps = processor.redoStack.size();
    ASSERT_EQ (redoSteps, 1u);

    for (int attempt = 0; attempt < 2; ++attempt)
    {
        content.selectKick (broken);
        EXPECT_EQ (processor.samplePath, playing);
        EXPECT_EQ (content.kickChooser.getSelectedId(), playingId);
        EXPECT_EQ (content.kickNameLabel.getText(), content.getKickDisplayName (playing));
        EXPECT_FLOAT_EQ (fixture.value (ParameterIds::transientAmount), 0.5f); // nothing reset
        EXPECT_EQ (processor.undoStack.size(), undoSteps);
        EXPECT_EQ (processor.redoStack.size(), redoSteps);
        EXPECT_EQ (content.toastText, "Could not load kick");
    }
}

TEST (KickSelector, KeyCommands)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    auto& processor = fixture.processor;

    struct Case
    {
        juce::KeyPress key;
        int undoChange; // steps added to the undo side: +1 redo, -1 undo, 0 nothing
        bool used;
    };

    const Case cases[] = {
        { juce::KeyPress ('z', ctrl, 0), -1, true },
        { juce::KeyPress ('Z', ctrl, 0), -1, true },
        { juce::KeyPress ('z', ctrlShift, 0), 1, true },
        { juce::KeyPress ('Z', ctrlShift, 0), 1, true },
        { juce::KeyPress ('y', ctrl, 0), 1, true },
        { juce::KeyPress ('Y', ctrlShift, 0), 1, true },
        { juce::KeyPress ('z', {}, 0), 0, false },
        { juce::KeyPress ('x', ctrl, 0), 0, false },
        { juce::KeyPress (juce::KeyPress::escapeKey), 0, false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.key.getTextDescription());
        processor.undoStack.clear();
        processor.redoStack.clear();
        content.randomiseButton.onClick();
        content.randomiseButton.onClick();
        processor.undo(); // one step each way

        EXPECT_EQ (content.keyPressed (c.key), c.used);
        EXPECT_EQ ((int) processor.undoStack.size(), 1 + c.undoChange);
        EXPECT_EQ ((int) processor.redoStack.size(), 1 - c.undoChange);
        EXPECT_EQ (content.undoButton.isEnabled(), ! processor.undoStack.empty());
    }

    // Undo and redo keys are used even with nothing to undo or redo.
    processor.undoStack.clear();
    processor.redoStack.clear();
    EXPECT_TRUE (fixture.key ('z', ctrl));
    EXPECT_TRUE (fixture.key ('y', ctrl));

    // Return closes the open browser; Up and Down do nothing while the settings are open.
    EXPECT_FALSE (fixture.key (juce::KeyPress::returnKey));
    content.browser.setVisible (true);
    EXPECT_TRUE (fixture.key (juce::KeyPress::returnKey));
    EXPECT_FALSE (content.browser.isVisible());

    content.settingsPanel.setVisible (true);
    const auto playing = processor.samplePath;
    EXPECT_FALSE (fixture.key (juce::KeyPress::downKey));
    EXPECT_FALSE (fixture.key (juce::KeyPress::upKey));
    EXPECT_EQ (processor.samplePath, playing);
    content.settingsPanel.setVisible (false);
    EXPECT_TRUE (fixture.key (juce::KeyPress::downKey, juce::ModifierKeys::shiftModifier));
}

TEST (KickSelector, ArrowHoverEndsWhenTheMouseLeavesTheCanvas)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();

    struct Case
    {
        juce::Point<float> point;
        bool& flag;
    };

    const Case cases[] = {
        { { 360.0f, 140.0f }, content.nextArrowHovered },
        { { 30.0f, 140.0f }, content.prevArrowHovered },
    };

    for (const auto& c : cases)
    {
        content.mouseMove (zobtest::mouseEventAt (content, c.point));
        EXPECT_TRUE (c.flag);

        // Onto the kick name next to it, or out of the window: no move reaches the canvas.
        content.mouseExit (zobtest::mouseEventAt (content, c.point));
        EXPECT_FALSE (content.prevArrowHovered);
        EXPECT_FALSE (content.nextArrowHovered);
    }

    // A press moved off its arrow before the release steps nowhere.
    const auto playing = fixture.processor.samplePath;
    content.mouseDown (zobtest::mouseEventAt (content, { 360.0f, 140.0f }));
    EXPECT_EQ (content.pressedArrow, 1);
    content.mouseUp (zobtest::mouseEventAt (content, { 30.0f, 140.0f }));
    EXPECT_EQ (content.pressedArrow, 0);
    EXPECT_EQ (fixture.processor.samplePath, playing);
    EXPECT_TRUE (fixture.processor.undoStack.empty());
}

TEST (KickSelector, StarAndKickNameCatchers)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    auto& processor = fixture.processor;
    const auto name = juce::File (processor.samplePath).getFileName();

    content.starCatcher.mouseEnter (zobtest::mouseEventAt (content.starCatcher, { 8.0f, 8.0f }));
    EXPECT_TRUE (content.starHovered);
    content.starCatcher.mouseUp (zobtest::mouseEventAt (content.starCatcher, { 8.0f, 8.0f }));
    EXPECT_TRUE (processor.favorites.fileNames.contains (name));
    EXPECT_TRUE (content.isCurrentFavorite);
    content.starCatcher.mouseExit (zobtest::mouseEventAt (content.starCatcher, { 8.0f, 8.0f }));
    EXPECT_FALSE (content.starHovered);

    // A press released outside the catcher does not click.
    content.starCatcher.mouseUp (zobtest::mouseEventAt (content.starCatcher, { 30.0f, 8.0f }));
    EXPECT_TRUE (content.isCurrentFavorite);
    content.starCatcher.mouseUp (zobtest::mouseEventAt (content.starCatcher, { 8.0f, 8.0f }));
    EXPECT_FALSE (processor.favorites.fileNames.contains (name));
    EXPECT_FALSE (content.isCurrentFavorite);

    // The kick name opens the browser and closes it again.
    content.kickNameCatcher.mouseUp (zobtest::mouseEventAt (content.kickNameCatcher, { 100.0f, 18.0f }));
    EXPECT_TRUE (content.browser.isVisible());
    content.kickNameCatcher.mouseUp (zobtest::mouseEventAt (content.kickNameCatcher, { 100.0f, 18.0f }));
    EXPECT_FALSE (content.browser.isVisible());

    // Without a kick path the star does nothing.
    processor.samplePath.clear();
    content.starCatcher.onClick();
    EXPECT_TRUE (processor.favorites.fileNames.isEmpty());
}
