#include "engine/ZobAudioProcessor.h"
#include "library/KickFolders.h"
#include "support/AudioFiles.h"
#include "support/ChildProcess.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace
{
juce::StringArray fileNames (const juce::StringArray& paths)
{
    juce::StringArray names;
    for (const auto& path : paths)
        names.add (juce::File (path).getFileName());
    return names;
}

void touch (const juce::File& file)
{
    file.getParentDirectory().createDirectory();
    file.replaceWithText ("x");
}
} // namespace

TEST (KickFolders, AcceptedExtensionsAreLowerCaseDottedAndUnique)
{
    const auto& extensions = getAudioFileExtensions();
    EXPECT_EQ (&extensions, &getAudioFileExtensions()); // built once

    ASSERT_FALSE (extensions.isEmpty());
    EXPECT_EQ (extensions[0], ".wav");
    EXPECT_TRUE (extensions.contains (".aiff"));
    EXPECT_TRUE (extensions.contains (".aif"));
    EXPECT_TRUE (extensions.contains (".flac"));

    for (const auto& extension : extensions)
    {
        EXPECT_TRUE (extension.startsWithChar ('.')) << extension;
        EXPECT_EQ (extension, extension.toLowerCase().trim());
    }

    auto unique = extensions;
    unique.removeDuplicates (false);
    EXPECT_EQ (unique.size(), extensions.size());

    EXPECT_TRUE (hasAcceptedExtension (juce::File ("/k/KICK.WAV")));
    EXPECT_TRUE (hasAcceptedExtension (juce::File ("/k/.wav")));
    EXPECT_FALSE (hasAcceptedExtension (juce::File ("/k/kick")));
    EXPECT_FALSE (hasAcceptedExtension (juce::File ("/k/kick.wav.bak")));
    EXPECT_FALSE (hasAcceptedExtension (juce::File ("/k.wav/kick")));
}

TEST (KickFolders, SortsByFileNameInNaturalOrderIgnoringCase)
{
    const struct
    {
        juce::StringArray input, expected;
    } cases[] = {
        { { "/a/Kick 2.wav", "/b/Kick 10.wav", "/c/kick 1.wav" }, { "kick 1.wav", "Kick 2.wav", "Kick 10.wav" } },
        { { "/a/Kick 1.wav", "/a/Kick 01.wav" }, { "Kick 01.wav", "Kick 1.wav" } },
        { { "/a/BD_10.wav", "/a/BD_09.wav" }, { "BD_09.wav", "BD_10.wav" } },
        { { "/a/Kick.wav", "/a/Kick 2.wav" }, { "Kick 2.wav", "Kick.wav" } },
        { { "/a/KickA.wav", "/a/Kick_1.wav" }, { "Kick_1.wav", "KickA.wav" } },
        { { "/a/Kick-A.wav", "/a/Kick A.wav" }, { "Kick A.wav", "Kick-A.wav" } },
        // the folder plays no part: only the file name counts
        { { "/z/Alpha.wav", "/a/Beta.wav" }, { "Alpha.wav", "Beta.wav" } },
    };

    for (const auto& c : cases)
    {
        auto paths = c.input;
        sortPathsByFileName (paths);
        EXPECT_EQ (fileNames (paths).joinIntoString ("|"), c.expected.joinIntoString ("|"));
    }
}

TEST (KickFolders, ListsAcceptedFilesDirectlyInTheFolder)
{
    zobtest::ScopedTempHome home;
    const auto folder = home.temp().getChildFile ("Kicks");

    EXPECT_TRUE (listKicksInFolder (folder).isEmpty()); // missing
    folder.createDirectory();
    EXPECT_TRUE (listKicksInFolder (folder).isEmpty()); // empty

    for (auto name : { "Kick 10.wav", "kick 1.wav", "Kick.WAV", "Kick.Flac", "notes.txt", "Kick.wav.asd", ".hidden.wav" })
        touch (folder.getChildFile (name));
    folder.getChildFile ("Sub.wav").createDirectory();
    touch (folder.getChildFile ("Deeper").getChildFile ("Inner.wav"));

    const auto paths = listKicksInFolder (folder);
    EXPECT_EQ (fileNames (paths).joinIntoString ("|"), ".hidden.wav|kick 1.wav|Kick 10.wav|Kick.Flac|Kick.WAV");
    for (const auto& path : paths)
        EXPECT_TRUE (juce::File::isAbsolutePath (path)) << path;

    touch (folder.getChildFile ("Kick 2.wav")); // never cached: the next call sees it
    EXPECT_EQ (listKicksInFolder (folder).size(), 6);
}

TEST (KickFolders, ListingKeepsLinksToFilesAndLeavesOutNamesThatAreNotUtf8)
{
    zobtest::ScopedTempHome home;
    const auto folder = home.temp().getChildFile ("Kicks");
    const auto elsewhere = home.temp().getChildFile ("Elsewhere");
    folder.createDirectory();
    elsewhere.createDirectory();
    touch (folder.getChildFile ("Kick 1.wav"));
    touch (elsewhere.getChildFile ("Real.wav"));
    elsewhere.getChildFile ("Folder.wav").createDirectory();

    const auto link = [&] (const char* target, const char* name)
    { ASSERT_EQ (::symlink (target, folder.getChildFile (name).getFullPathName().toRawUTF8()), 0) << name; };
    link (elsewhere.getChildFile ("Real.wav").getFullPathName().toRawUTF8(), "Linked.wav");
    link (elsewhere.getChildFile ("Folder.wav").getFullPathName().toRawUTF8(), "Linked folder.wav");
    link ("/nonexistent/Gone.wav", "Dangling.wav");

    // Names a file system takes but that are not UTF-8 (a lone lead byte, an overlong
    // encoding, Latin-1): JUCE's own listing writes past a string for some of them.
    std::vector<std::string> badNames;

    for (const char* name : { "\xc0"
                              "A.wav",
                              "\xc0\x80 Kick.wav",
                              "Caf\xe9 Kick.wav",
                              "\xff.wav" })
    {
        badNames.push_back (folder.getFullPathName().toStdString() + "/" + name);
        const auto fd = ::open (badNames.back().c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE (fd, 0) << badNames.back();
        ::close (fd);
    }

    EXPECT_EQ (fileNames (listKicksInFolder (folder)).joinIntoString ("|"), "Kick 1.wav|Linked.wav");

    // The temporary home is removed through JUCE's listing, which these names would upset.
    for (const auto& path : badNames)
        ::unlink (path.c_str());
}

TEST (KickFolders, UserKicksLiveInThePerUserFolder)
{
    zobtest::ScopedTempHome home;
    const auto folder = getUserKicksFolder();

    EXPECT_EQ (folder, home.userFolder().getChildFile ("User Kicks"));
    EXPECT_FALSE (folder.exists()); // only import creates it
    EXPECT_TRUE (ZobAudioProcessor::listUserKicks().isEmpty());

    EXPECT_TRUE (isUserKick (folder.getChildFile ("Mine.wav")));
    EXPECT_TRUE (isUserKick (folder.getChildFile ("Sub").getChildFile ("Deep.wav")));
    EXPECT_FALSE (isUserKick (folder));
    EXPECT_FALSE (isUserKick (home.temp().getChildFile ("Mine.wav")));
    EXPECT_FALSE (isUserKick (folder.getSiblingFile ("User Kicks Old").getChildFile ("Mine.wav")));

    touch (folder.getChildFile ("b.wav"));
    touch (folder.getChildFile ("A.aiff"));
    EXPECT_EQ (fileNames (ZobAudioProcessor::listUserKicks()).joinIntoString ("|"), "A.aiff|b.wav");
}

TEST (KickFolders, FactoryFolderSitsBesideTheBundleOrTheModule)
{
    zobtest::ScopedTempHome home;
    const auto root = home.temp().getChildFile ("Install");
    const auto allUsers = root.getChildFile ("All Users").getChildFile ("Presets");

    // A plug-in library three levels inside its bundle.
    const auto plugIn = root.getChildFile ("VST3/Some.vst3/Contents/x86_64-linux/Some.so");
    touch (plugIn);
    const auto besideBundle = root.getChildFile ("VST3/ZOB Presets");
    EXPECT_EQ (findFactoryKicksFolder (plugIn, allUsers), besideBundle); // candidate, nothing exists

    allUsers.createDirectory();
    EXPECT_EQ (findFactoryKicksFolder (plugIn, allUsers), allUsers); // the all-users fallback
    besideBundle.createDirectory();
    EXPECT_EQ (findFactoryKicksFolder (plugIn, allUsers), besideBundle); // beside the bundle wins

    // A standalone executable finds the folder beside itself.
    const auto app = root.getChildFile ("Standalone/ZOB");
    touch (app);
    EXPECT_EQ (findFactoryKicksFolder (app, allUsers), allUsers);
    root.getChildFile ("Standalone/ZOB Presets").createDirectory();
    EXPECT_EQ (findFactoryKicksFolder (app, allUsers), root.getChildFile ("Standalone/ZOB Presets"));

    // A bundle that is only the module's eighth ancestor is not examined.
    const auto deep = root.getChildFile ("Far.vst3/a/b/c/d/e/f/g/Module.so");
    touch (deep);
    root.getChildFile ("ZOB Presets").createDirectory();
    EXPECT_EQ (findFactoryKicksFolder (deep, {}), deep.getParentDirectory().getChildFile ("ZOB Presets"));
    const auto seventh = root.getChildFile ("Near.vst3/a/b/c/d/e/f/Module.so");
    touch (seventh);
    EXPECT_EQ (findFactoryKicksFolder (seventh, {}), root.getChildFile ("ZOB Presets"));

    // A module that does not exist ends the search at once.
    EXPECT_EQ (findFactoryKicksFolder (root.getChildFile ("Gone.vst3/Contents/Gone.so"), {}),
               root.getChildFile ("Gone.vst3/Contents/ZOB Presets"));
}

TEST (KickFolders, EveryPlugInBundleNameCountsInAnyLetterCase)
{
    struct Case
    {
        const char* bundle;
        bool isBundle;
    };

    const Case cases[] = {
        { "Some.vst3", true },
        { "Some.VST3", true },
        { "Some.Component", true },
        { "Some.vst", true },
        { "Some.LV2", true },
        { "Some.vst3x", false },
        { "Some.app", false },
        { "vst3", false },
    };

    for (const auto& c : cases)
    {
        zobtest::ScopedTempHome home;
        const auto bundle = home.temp().getChildFile ("Install").getChildFile (c.bundle);
        const auto module = bundle.getChildFile ("Contents/Module.so");
        touch (module);

        const auto expected = c.isBundle ? bundle.getSiblingFile ("ZOB Presets") : module.getSiblingFile ("ZOB Presets");
        EXPECT_EQ (findFactoryKicksFolder (module, {}), expected) << c.bundle;
    }
}

TEST (KickFolders, ProcessorFindsTheFactoryFolderBesideThisProgram)
{
    // The test programs have no kicks beside them (the build installs them beside the
    // plug-in formats only), so the folder found is the missing candidate beside this one.
    const auto executable = juce::File::getSpecialLocation (juce::File::currentExecutableFile);
    const auto folder = ZobAudioProcessor::getFactoryKicksFolder();

    EXPECT_EQ (folder, executable.getSiblingFile ("ZOB Presets"));
    EXPECT_FALSE (folder.isDirectory());
    EXPECT_TRUE (ZobAudioProcessor::listFactoryKicks().isEmpty());
}

// Child: builds a processor and writes down the kick it started with, its factory list and
// the factory folder.
ZOBTEST_CHILD_ROUTINE (FactoryKickAtStart)
{
    const juce::ScopedJuceInitialiser_GUI juce;
    const juce::File result (arguments[0]);
    juce::StringArray lines;

    {
        ZobAudioProcessor processor;
        lines.add (processor.samplePath);
        lines.add (fileNames (ZobAudioProcessor::listFactoryKicks()).joinIntoString ("|"));
        lines.add (ZobAudioProcessor::getFactoryKicksFolder().getFullPathName());
    }

    return result.replaceWithText (lines.joinIntoString ("\n"), false, false, "\n") ? 0 : 3;
}

TEST (KickFolders, ProcessorStartsWithTheFirstKickOfTheFolderBesideItsProgram)
{
    struct Case
    {
        const char* description;
        bool makeFolder;
        juce::StringArray files;
        const char* firstKick; // empty: the processor starts without a kick
        const char* listed;
    };

    const Case cases[] = {
        { "no folder", false, {}, "", "" },
        { "folder without kicks", true, {}, "", "" },
        { "natural order, case ignored",
          true,
          { "Kick 10.wav", "kick 2.wav", "Kick 1.wav", "Kick 01.wav", "notes.txt", "Kick.wav.asd" },
          "Kick 01.wav",
          "Kick 01.wav|Kick 1.wav|kick 2.wav|Kick 10.wav" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.description);
        const zobtest::ScopedTempHome home;

        // A copy of this test program stands in for the installed standalone executable.
        const auto program = home.temp().getChildFile ("Standalone").getChildFile ("ZOB");
        program.getParentDirectory().createDirectory();
        ASSERT_TRUE (juce::File::getSpecialLocation (juce::File::currentExecutableFile).copyFileTo (program));
        ASSERT_TRUE (program.setExecutePermission (true));

        const auto presets = program.getSiblingFile ("ZOB Presets");
        if (c.makeFolder)
            presets.getChildFile ("Sub.wav").createDirectory(); // a folder is never a kick

        for (const auto& name : c.files)
        {
            if (name.endsWith (".wav"))
                ASSERT_TRUE (zobtest::writeWavFile (presets.getChildFile (name), zobtest::makeSineKick (1, 4410, 44100.0), 44100.0, 16));
            else
                touch (presets.getChildFile (name));
        }

        const auto result = home.temp().getChildFile ("result.txt");
        juce::ChildProcess child;
        ASSERT_TRUE (child.start (juce::StringArray { program.getFullPathName(), "--zob-child", "FactoryKickAtStart", result.getFullPathName() }));
        ASSERT_EQ (zobtest::waitForChild (child), 0);

        const auto lines = juce::StringArray::fromTokens (result.loadFileAsString(), "\n", "");
        ASSERT_EQ (lines.size(), 3);

        const auto expectedPath = juce::String (c.firstKick).isEmpty() ? juce::String() : presets.getChildFile (c.firstKick).getFullPathName();
        EXPECT_EQ (lines[0], expectedPath);
        EXPECT_EQ (lines[1], juce::String (c.listed));
        EXPECT_EQ (lines[2], presets.getFullPathName()) << "the folder beside the program, whether it exists or not";
    }
}
