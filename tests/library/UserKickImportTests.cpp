#include "library/UserKickImport.h"

#include "engine/ZobAudioProcessor.h"
#include "library/DragExport.h"
#include "library/KickFolders.h"

#include "support/AudioFiles.h"
#include "support/ChildProcess.h"
#include "support/JucePrinters.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace
{
/** A small WAV kick; the length picks the file size, so equal names can differ in size. */
juce::File makeKickFile (const juce::File& file, int numSamples = 1000)
{
    EXPECT_TRUE (zobtest::writeWavFile (file, zobtest::makeSineKick (1, numSamples, 44100.0), 44100.0, 16));
    return file;
}

bool sameBytes (const juce::File& a, const juce::File& b)
{
    juce::MemoryBlock first, second;
    return a.loadFileAsData (first) && b.loadFileAsData (second) && first == second;
}

juce::StringArray import (const juce::StringArray& paths)
{
    return ZobAudioProcessor::importUserKicks (paths);
}
} // namespace

TEST (UserKickImport, CopiesUnderTheSourceNameAndNumbersTakenNames)
{
    struct Case
    {
        const char* sourceName;
        juce::StringArray alreadyThere; // each of a different size from the source
        const char* storedAs;
    };

    const Case cases[] = {
        { "Deep.wav", {}, "Deep.wav" },
        { "KICK.WAV", {}, "KICK.WAV" },
        { "Deep.wav", { "Deep.wav" }, "Deep2.wav" },
        { "Deep.wav", { "Deep.wav", "Deep2.wav" }, "Deep3.wav" },
        { "Kick 1.wav", { "Kick 1.wav" }, "Kick 1_2.wav" },
        { "Kick (A).wav", { "Kick (A).wav" }, "Kick (A)(2).wav" },
        { "Kick (3).wav", { "Kick (3).wav" }, "Kick (4).wav" },
        { "Deep.WAV", { "Deep.WAV" }, "Deep2.WAV" },
    };

    for (const auto& c : cases)
    {
        const zobtest::ScopedTempHome home;
        const auto userFolder = getUserKicksFolder();

        for (const auto& name : c.alreadyThere)
            makeKickFile (userFolder.getChildFile (name), 300);

        const auto source = makeKickFile (home.temp().getChildFile (c.sourceName));
        const auto stored = userFolder.getChildFile (c.storedAs);

        EXPECT_EQ (import ({ source.getFullPathName() }), juce::StringArray (stored.getFullPathName())) << c.sourceName;
        EXPECT_TRUE (sameBytes (source, stored)) << c.sourceName;
    }
}

TEST (UserKickImport, KeepsDropOrderAndSkipsSameNameSameSizeDuplicates)
{
    const zobtest::ScopedTempHome home;
    const auto userFolder = getUserKicksFolder();
    const auto first = makeKickFile (home.temp().getChildFile ("a").getChildFile ("Deep.wav"), 1000);
    const auto second = makeKickFile (home.temp().getChildFile ("b").getChildFile ("Deep.wav"), 2000);
    const auto other = makeKickFile (home.temp().getChildFile ("a").getChildFile ("Boom.wav"));

    EXPECT_EQ (import ({ first.getFullPathName(), second.getFullPathName(), other.getFullPathName(), first.getFullPathName() }),
               juce::StringArray (userFolder.getChildFile ("Deep.wav").getFullPathName(),
                                  userFolder.getChildFile ("Deep2.wav").getFullPathName(),
                                  userFolder.getChildFile ("Boom.wav").getFullPathName()));
    EXPECT_TRUE (sameBytes (second, userFolder.getChildFile ("Deep2.wav")));

    // The same file again, and a file already in the user folder, add nothing.
    EXPECT_TRUE (import ({ first.getFullPathName(), other.getFullPathName() }).isEmpty());
    EXPECT_TRUE (import ({ userFolder.getChildFile ("Boom.wav").getFullPathName() }).isEmpty());

    // Only the file of the same name counts: the bigger one is not "Deep.wav", so it comes in again.
    EXPECT_EQ (import ({ second.getFullPathName() }), juce::StringArray (userFolder.getChildFile ("Deep3.wav").getFullPathName()));
    EXPECT_EQ (zobtest::childNames (userFolder), juce::StringArray ("Boom.wav", "Deep.wav", "Deep2.wav", "Deep3.wav"));
}

TEST (UserKickImport, RefusesFilesThatAreNoUsableKicks)
{
    const zobtest::ScopedTempHome home;
    const auto drop = home.temp().getChildFile ("drop");
    drop.createDirectory();

    makeKickFile (drop.getChildFile ("Sub.wav").getChildFile ("Inner.wav"));
    makeKickFile (drop.getChildFile ("Kick.wav.bak"));
    makeKickFile (drop.getChildFile ("Kick"));
    drop.getChildFile ("notes.txt").replaceWithText ("not a kick");
    drop.getChildFile ("Garbage.wav").replaceWithText ("RIFF but not really a wave file at all");
    drop.getChildFile ("Empty.wav").create();
    ASSERT_TRUE (zobtest::writeWavFile (drop.getChildFile ("Silent.wav"), juce::AudioBuffer<float> (1, 0), 44100.0));
    const auto dragged = makeKickFile (getDragExportFolderFor ("instance").getChildFile ("KICK (ZOB).wav"));
    ASSERT_EQ (::symlink (dragged.getFullPathName().toRawUTF8(), drop.getChildFile ("Linked drag.wav").getFullPathName().toRawUTF8()), 0);

    const juce::StringArray refused {
        drop.getChildFile ("Sub.wav").getFullPathName(), // a folder, even with a kick's name
        drop.getFullPathName(), // a folder
        drop.getChildFile ("Kick.wav.bak").getFullPathName(), // other extensions
        drop.getChildFile ("Kick").getFullPathName(),
        drop.getChildFile ("notes.txt").getFullPathName(),
        drop.getChildFile ("Garbage.wav").getFullPathName(), // does not decode
        drop.getChildFile ("Empty.wav").getFullPathName(), // zero-length file
        drop.getChildFile ("Silent.wav").getFullPathName(), // a WAV of 0 samples
        dragged.getFullPathName(), // the program's own drag-out file
        drop.getChildFile ("Linked drag.wav").getFullPathName(),
        drop.getChildFile ("Missing.wav").getFullPathName(),
        "",
        "relative/Kick.wav",
    };

    for (const auto& path : refused)
        EXPECT_TRUE (import ({ path }).isEmpty()) << path;

    EXPECT_TRUE (zobtest::childNames (getUserKicksFolder()).isEmpty());
}

TEST (UserKickImport, AddsNothingWhenTheUserFolderCannotBeMade)
{
    const zobtest::ScopedTempHome home;
    const auto source = makeKickFile (home.temp().getChildFile ("Deep.wav"));
    getUserKicksFolder().getParentDirectory().createDirectory();
    getUserKicksFolder().replaceWithText ("a file where the folder should be");

    EXPECT_TRUE (import ({ source.getFullPathName() }).isEmpty());
    EXPECT_TRUE (getUserKicksFolder().existsAsFile());
}

TEST (UserKickImport, NeverWritesThroughAnExistingNameOrLink)
{
    const zobtest::ScopedTempHome home;
    const auto userFolder = getUserKicksFolder();
    userFolder.createDirectory();

    // A dangling link under the source's name: copying "over" it would create its target.
    const auto outside = home.home().getChildFile ("outside.wav");
    ASSERT_EQ (::symlink (outside.getFullPathName().toRawUTF8(), userFolder.getChildFile ("Deep.wav").getFullPathName().toRawUTF8()), 0);
    const auto source = makeKickFile (home.temp().getChildFile ("Deep.wav"));

    EXPECT_EQ (import ({ source.getFullPathName() }), juce::StringArray (userFolder.getChildFile ("Deep2.wav").getFullPathName()));
    EXPECT_FALSE (outside.exists());
    EXPECT_TRUE (userFolder.getChildFile ("Deep.wav").isSymbolicLink());
}

// Child: imports the listed files at the parent's go signal and writes down what it added.
ZOBTEST_CHILD_ROUTINE (UserKickImporter)
{
    const juce::File ready (arguments[0]), go (arguments[1]), list (arguments[2]), result (arguments[3]);
    juce::StringArray paths;
    paths.addLines (list.loadFileAsString());
    paths.removeEmptyStrings();
    ready.create();

    if (! zobtest::waitForFile (go))
        return 2;

    const auto added = ZobAudioProcessor::importUserKicks (paths);
    return result.replaceWithText (added.joinIntoString ("\n")) ? 0 : 3;
}

TEST (UserKickImport, TwoProcessesImportingTheSameFilesKeepOneIntactCopyEach)
{
    const zobtest::ScopedTempHome home;
    constexpr int fileCount = 24;
    juce::StringArray sources;

    for (int i = 0; i < fileCount; ++i)
        sources.add (makeKickFile (home.temp().getChildFile ("drop").getChildFile ("Kick " + juce::String (i) + ".wav"), 20000 + 997 * i).getFullPathName());

    const auto list = home.temp().getChildFile ("list.txt");
    const auto ready = home.temp().getChildFile ("ready");
    const auto go = home.temp().getChildFile ("go");
    const auto childResult = home.temp().getChildFile ("child result.txt");
    ASSERT_TRUE (list.replaceWithText (sources.joinIntoString ("\n")));

    auto child = zobtest::startChildRoutine ("UserKickImporter",
                                             { ready.getFullPathName(), go.getFullPathName(), list.getFullPathName(), childResult.getFullPathName() });
    ASSERT_NE (child, nullptr);
    ASSERT_TRUE (zobtest::waitForFile (ready));
    go.create();

    const auto addedHere = import (sources);
    ASSERT_EQ (zobtest::waitForChild (*child), 0);

    juce::StringArray addedThere;
    addedThere.addLines (childResult.loadFileAsString());
    addedThere.removeEmptyStrings();

    // Every kick arrives exactly once, whole, and is reported by exactly one of the two.
    const auto userFolder = getUserKicksFolder();
    EXPECT_EQ (zobtest::childNames (userFolder).size(), fileCount) << zobtest::childNames (userFolder).joinIntoString (", ");
    EXPECT_EQ (addedHere.size() + addedThere.size(), fileCount);

    for (const auto& path : sources)
    {
        const juce::File source (path);
        const auto stored = userFolder.getChildFile (source.getFileName());
        EXPECT_TRUE (sameBytes (source, stored)) << source.getFileName();
        EXPECT_NE (addedHere.contains (stored.getFullPathName()), addedThere.contains (stored.getFullPathName())) << source.getFileName();
    }
}

TEST (UserKickImport, DeletesOnlyFilesInsideTheUserFolder)
{
    const zobtest::ScopedTempHome home;
    const auto userFolder = getUserKicksFolder();
    const auto factoryKick = makeKickFile (home.temp().getChildFile ("ZOB Presets").getChildFile ("Deep.wav"));
    const auto userKick = makeKickFile (userFolder.getChildFile ("Deep.wav"));
    const auto nested = makeKickFile (userFolder.getChildFile ("Sub").getChildFile ("Nested.wav"));
    const auto sneaky = userFolder.getChildFile ("..").getChildFile ("favorites.xml");
    sneaky.replaceWithText ("<ZOB_FAVORITES/>");

    EXPECT_FALSE (ZobAudioProcessor::deleteUserKick (factoryKick));
    EXPECT_TRUE (factoryKick.existsAsFile());
    EXPECT_FALSE (ZobAudioProcessor::deleteUserKick (userFolder.getChildFile ("Sub")));
    EXPECT_TRUE (nested.existsAsFile());
    EXPECT_FALSE (ZobAudioProcessor::deleteUserKick (userFolder.getChildFile ("Missing.wav")));
    EXPECT_FALSE (ZobAudioProcessor::deleteUserKick (sneaky));
    EXPECT_TRUE (sneaky.existsAsFile());

    // Without a recycle bin the file is deleted; with one it goes there.
    EXPECT_TRUE (ZobAudioProcessor::deleteUserKick (userKick));
    EXPECT_FALSE (userKick.exists());

    const auto trash = home.home().getChildFile (".local/share/Trash/files");
    trash.createDirectory();
    EXPECT_TRUE (ZobAudioProcessor::deleteUserKick (nested));
    EXPECT_FALSE (nested.exists());
    EXPECT_TRUE (trash.getChildFile ("Nested.wav").existsAsFile());
}

TEST (UserKickImport, DuplicatesShareTheExactNameAndSize)
{
    // Only the same name, letter for letter, with the same number of bytes is the same kick.
    struct Case
    {
        const char* alreadyThere;
        int existingSamples;
        const char* stored; // nullptr: skipped as a duplicate
    };

    const Case cases[] = {
        { "Deep.wav", 1000, nullptr },
        { "deep.wav", 1000, "Deep.wav" },
        { "Deep.WAV", 1000, "Deep.wav" },
        { "Deep.wav", 1001, "Deep2.wav" },
        { "Deep.wav", 999, "Deep2.wav" },
    };

    for (const auto& c : cases)
    {
        const zobtest::ScopedTempHome home;
        const auto userFolder = getUserKicksFolder();
        makeKickFile (userFolder.getChildFile (c.alreadyThere), c.existingSamples);
        const auto source = makeKickFile (home.temp().getChildFile ("Deep.wav"));

        const auto expected = c.stored == nullptr ? juce::StringArray() : juce::StringArray (userFolder.getChildFile (c.stored).getFullPathName());
        EXPECT_EQ (import ({ source.getFullPathName() }), expected) << c.alreadyThere << ", " << c.existingSamples << " samples";
    }
}
