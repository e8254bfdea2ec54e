// Kick files in and out of the real editor: drops and the add-kicks chooser with their
// toasts, removal of user kicks, and the processed kick dragged out of the pad.

#include "ui/EditorFixture.h"
#include "ui/kit/ExternalFileDrag.h"

#include "library/DragExport.h"
#include "library/FavoritesStore.h"

#include <gtest/gtest.h>

namespace
{
juce::File kickIn (const juce::File& folder, const char* name, double hz = 60.0)
{
    return zobtest::EditorFixture::writeKick (folder.getChildFile (juce::String::fromUTF8 (name)), hz);
}

bool isWellFormedFileUrl (const juce::String& url)
{
    if (! url.startsWith ("file:///"))
        return false;

    for (int i = 0; i < url.length(); ++i)
    {
        const auto c = url[i];

        if (c <= ' ' || c > '~' || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' || c == '{' || c == '|' || c == '}')
            return false;

        if (c == '%' && ! (juce::CharacterFunctions::getHexDigitValue (url[i + 1]) >= 0 && juce::CharacterFunctions::getHexDigitValue (url[i + 2]) >= 0))
            return false;
    }

    return true;
}
} // namespace

TEST (EditorKickFiles, DragsAreAcceptedWhenOneFileIsAKick)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();

    struct Case
    {
        juce::StringArray paths;
        bool interested;
    };

    const Case cases[] = {
        { { "/tmp/in/kick.wav" }, true },
        { { "/tmp/in/KICK.AIFF" }, true },
        { { "/tmp/in/notes.txt", "/tmp/in/kick.wav" }, true },
        { { "/tmp/in/notes.txt" }, false },
        { { "/tmp/in/Kicks" }, false },
        { { "/tmp/in.wav/kick" }, false }, // the dot belongs to a folder
        { {}, false },
    };

    for (const auto& c : cases)
        EXPECT_EQ (content.isInterestedInFileDrag (c.paths), c.interested) << c.paths.joinIntoString (" ");

    // The kick dragged out of the pad, crossing the window on its way out, is of no interest
    // (it would never be imported); with a kick of the user's own the drag still is.
    const auto dragOut = fixture.processor.exportKickForDrag();
    ASSERT_TRUE (juce::File (dragOut).existsAsFile());
    const auto otherInstance = getDragTempFolder().getChildFile ("other-instance/Deep (ZOB).wav").getFullPathName();

    const Case dragOutCases[] = {
        { { dragOut }, false },
        { { dragOut, otherInstance }, false },
        { { dragOut, "/tmp/in/notes.txt" }, false },
        { { dragOut, "/tmp/in/kick.wav" }, true },
    };

    for (const auto& c : dragOutCases)
        EXPECT_EQ (content.isInterestedInFileDrag (c.paths), c.interested) << c.paths.joinIntoString (" ");

    content.fileDragEnter ({ "/tmp/in/kick.wav" }, 5, 5);
    EXPECT_TRUE (content.isDragOver);
    content.fileDragExit ({ "/tmp/in/kick.wav" });
    EXPECT_FALSE (content.isDragOver);
}

TEST (EditorKickFiles, DroppedKicksAreAddedChosenAndToasted)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    auto& processor = fixture.processor;
    const auto drop = fixture.home.temp().getChildFile ("drop");
    const auto user = fixture.userKicks();

    struct Case
    {
        const char* description;
        juce::StringArray paths;
        const char* toast;
        const char* chosen; // the user kick chosen, or nullptr when the kick stays
    };

    const auto deep = kickIn (drop, "Deep.wav", 50.0);
    const auto tight = kickIn (drop, "Tight.wav", 80.0);
    const auto boom = kickIn (drop, "Boom.aiff.wav", 45.0);
    drop.getChildFile ("readme.txt").replaceWithText ("not a kick");
    drop.getChildFile ("Folder.wav").createDirectory();

    const Case cases[] = {
        { "one new kick", { deep.getFullPathName() }, "1 kick added", "Deep.wav" },
        { "one new and one already added", { deep.getFullPathName(), tight.getFullPathName() }, "1 kick added", "Tight.wav" },
        { "nothing a kick", { drop.getChildFile ("readme.txt").getFullPathName() }, "Nothing added", nullptr },
        { "a folder named like a kick", { drop.getChildFile ("Folder.wav").getFullPathName() }, "Nothing added", nullptr },
        { "two at once", { boom.getFullPathName(), kickIn (drop, "Sub.wav", 40.0).getFullPathName() }, "2 kicks added", "Boom.aiff.wav" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.description);
        const auto before = processor.samplePath;
        fixture.moveShaping();
        content.fileDragEnter (c.paths, 1, 1);
        content.filesDropped (c.paths, 1, 1);

        EXPECT_FALSE (content.isDragOver);
        EXPECT_EQ (content.toastText, juce::String (c.toast));

        if (c.chosen != nullptr)
        {
            EXPECT_EQ (processor.samplePath, user.getChildFile (c.chosen).getFullPathName());
            EXPECT_TRUE (fixture.shapingAtDefaults());
            EXPECT_EQ (content.browser.getCurrentTab(), (int) vyl::PresetBrowserPopup::userTab);
        }
        else
        {
            EXPECT_EQ (processor.samplePath, before);
            EXPECT_FALSE (fixture.shapingAtDefaults());
        }
    }

    // Every added kick is listed after the factory kicks.
    EXPECT_EQ ((int) content.kickFiles.size(), ZobAudioProcessor::listFactoryKicks().size() + 4);
}

TEST (EditorKickFiles, ChosenFilesAreAddedWhenTheChooserCompletes)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    int launchedFlags = 0;
    std::function<void (const juce::FileChooser&)> completion;
    content.launchChooser = [&] (juce::FileChooser&, int flags, std::function<void (const juce::FileChooser&)> callback)
    {
        launchedFlags = flags;
        completion = std::move (callback);
    };

    content.chooseKicksToAdd();
    ASSERT_NE (content.addKicksChooser, nullptr);
    EXPECT_EQ (launchedFlags, juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectFiles | juce::FileBrowserComponent::canSelectMultipleItems);

    // Cancelled: no results, nothing happens, no toast.
    ASSERT_TRUE (completion != nullptr);
    completion (*content.addKicksChooser);
    EXPECT_TRUE (content.toastText.isEmpty());

    // A new request replaces the chooser.
    auto* first = content.addKicksChooser.get();
    content.chooseKicksToAdd();
    EXPECT_NE (content.addKicksChooser.get(), first);

    // The results as the dialog gives them: names with ":" stay themselves.
    const auto chosen = fixture.home.temp().getChildFile ("chosen");
    const juce::Array<juce::URL> results {
        juce::URL (kickIn (chosen, "Kick:1.wav")),
        juce::URL (kickIn (chosen, "Ünïcode kick.wav", 70.0)),
        juce::URL (chosen.getChildFile ("gone.wav")),
        juce::URL (chosen),
    };
    content.addChosenFiles (results);

    EXPECT_EQ (content.toastText, "2 kicks added");
    EXPECT_TRUE (fixture.userKicks().getChildFile ("Kick:1.wav").existsAsFile());
    EXPECT_TRUE (fixture.userKicks().getChildFile (juce::String::fromUTF8 ("Ünïcode kick.wav")).existsAsFile());
    EXPECT_EQ (zobtest::childNames (fixture.userKicks()).size(), 2);
    EXPECT_EQ (fixture.processor.samplePath, fixture.userKicks().getChildFile ("Kick:1.wav").getFullPathName());
}

TEST (EditorKickFiles, UserKicksAreRemovedAndFactoryKicksRefused)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    auto& processor = fixture.processor;
    const auto factory = ZobAudioProcessor::listFactoryKicks();
    const auto drop = fixture.home.temp().getChildFile ("drop");
    content.addKicks ({ kickIn (drop, "One.wav").getFullPathName(), kickIn (drop, "Two.wav", 90.0).getFullPathName() });
    const auto one = fixture.userKicks().getChildFile ("One.wav");
    const auto two = fixture.userKicks().getChildFile ("Two.wav");
    ASSERT_EQ (processor.samplePath, one.getFullPathName());
    processor.favorites.toggleFavorite ("Two.wav");

    // Another kick than the loaded one: it goes, with its star; the loaded kick stays.
    content.removeKick (two);
    EXPECT_FALSE (two.exists());
    EXPECT_EQ (content.toastText, "Kick removed");
    EXPECT_FALSE (processor.favorites.fileNames.contains ("Two.wav"));
    EXPECT_EQ (processor.samplePath, one.getFullPathName());
    EXPECT_EQ (content.kickFiles.size(), (size_t) factory.size() + 1);

    // The loaded kick: the first kick of the list takes its place, shaping reset.
    fixture.moveShaping();
    content.removeKick (one);
    EXPECT_FALSE (one.exists());
    EXPECT_EQ (processor.samplePath, factory[0]);
    EXPECT_TRUE (fixture.shapingAtDefaults());

    // Anything but an existing user kick is refused and left alone.
    for (const auto& file : { juce::File (factory[1]), one, fixture.home.temp().getChildFile ("drop/One.wav") })
    {
        content.toastText.clear();
        content.removeKick (file);
        EXPECT_EQ (content.toastText, "Could not remove") << file.getFullPathName();
    }

    EXPECT_TRUE (juce::File (factory[1]).existsAsFile());
    EXPECT_TRUE (drop.getChildFile ("One.wav").existsAsFile());
}

TEST (EditorKickFiles, RemovalTakesTheStarOffOnlyWhenNoListedKickKeepsTheName)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    auto& processor = fixture.processor;
    const juce::File factoryKick (ZobAudioProcessor::listFactoryKicks()[1]);
    const auto name = factoryKick.getFileName();
    const auto drop = fixture.home.temp().getChildFile ("drop");
    content.addKicks ({ factoryKick.getFullPathName(), kickIn (drop, "Two.wav", 90.0).getFullPathName(), kickIn (drop, "Three.wav", 70.0).getFullPathName() });
    const auto copy = fixture.userKicks().getChildFile (name);
    ASSERT_TRUE (copy.existsAsFile());

    // A user copy of a factory kick shares its star; removing the copy leaves the factory
    // kick starred.
    processor.favorites.toggleFavorite (name);
    content.removeKick (copy);
    EXPECT_FALSE (copy.exists());
    EXPECT_EQ (content.toastText, "Kick removed");
    EXPECT_TRUE (processor.favorites.isFavorite (name));
    EXPECT_TRUE (FavoritesStore().isFavorite (name));

    // Another instance shares the favourites file and changes it meanwhile: it unstars
    // "Two.wav", which this one still lists, and stars "Three.wav", which this one has not
    // seen. Removing each takes its name out of the file and puts nothing back.
    processor.favorites.toggleFavorite ("Two.wav");
    FavoritesStore otherInstance;
    otherInstance.toggleFavorite ("Two.wav");
    otherInstance.toggleFavorite ("Three.wav");
    ASSERT_TRUE (processor.favorites.isFavorite ("Two.wav"));
    ASSERT_FALSE (processor.favorites.isFavorite ("Three.wav"));

    for (const auto* removed : { "Two.wav", "Three.wav" })
    {
        content.removeKick (fixture.userKicks().getChildFile (removed));
        EXPECT_EQ (content.toastText, "Kick removed");
        EXPECT_FALSE (FavoritesStore().isFavorite (removed)) << removed;
        EXPECT_FALSE (processor.favorites.isFavorite (removed)) << removed;
    }

    EXPECT_EQ (processor.favorites.loadFavorites(), juce::StringArray (name));
}

TEST (EditorKickFiles, DragOutHandsTheRenderedKickOverAsAFileUrl)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    auto& processor = fixture.processor;
    juce::StringArray started;
    content.dragStarter = [&started] (const juce::String& path)
    {
        started.add (path);
        return true;
    };

    // A kick whose name holds a "%" and letters beyond ASCII.
    content.addKicks ({ kickIn (fixture.home.temp().getChildFile ("drop"), "Bass 100% Drüm.wav", 52.0).getFullPathName() });
    ASSERT_TRUE (processor.samplePath.contains ("100%"));
    fixture.setValue (ParameterIds::punchAmount, 0.6f);
    fixture.setValue (ParameterIds::outputGainDb, -4.0f);

    content.pad.onDragOut();
    ASSERT_EQ (started.size(), 1);
    const juce::File file (started[0]);
    ASSERT_TRUE (file.existsAsFile());
    EXPECT_TRUE (file.getFileName().endsWith (" (ZOB).wav"));

    // The file holds the kick exactly as the knobs have it, in 24 bits.
    juce::AudioBuffer<float> rendered;
    double rate = 0.0;
    ASSERT_TRUE (processor.renderProcessedKick (rendered, rate));
    const auto written = zobtest::readAudioFile (file);
    ASSERT_TRUE (written.ok);
    EXPECT_EQ (written.bitsPerSample, 24u);
    EXPECT_EQ (written.sampleRate, rate);
    ASSERT_EQ (written.buffer.getNumSamples(), rendered.getNumSamples());
    ASSERT_EQ (written.buffer.getNumChannels(), rendered.getNumChannels());

    for (int channel = 0; channel < rendered.getNumChannels(); ++channel)
        for (int i = 0; i < rendered.getNumSamples(); i += 7)
            ASSERT_NEAR (written.buffer.getSample (channel, i), rendered.getSample (channel, i), 2.0e-6f);

    // What JUCE hands the desktop: a well-formed file URL that leads back to the file.
    const auto url = vyl::fileDragOffer (file.getFullPathName());
    EXPECT_TRUE (isWellFormedFileUrl (url)) << url;
    EXPECT_TRUE (url.contains ("%25")) << url;
    EXPECT_TRUE (url.contains ("%20")) << url;
    EXPECT_EQ (juce::URL (url).getLocalFile(), file);

    // Without a kick nothing is exported and no drag starts.
    processor.loadedSample = {};
    content.pad.onDragOut();
    EXPECT_EQ (started.size(), 1);
}
