// Legal but unusual kick file names, through everything that joins a folder and a file name:
// the listing, the loader, the import and its duplicate check, the favourites, the key cache
// and the drag-out files.

#include "engine/ZobAudioProcessor.h"
#include "library/FileNames.h"
#include "library/KickFolders.h"

#include "support/AudioFiles.h"
#include "support/JucePrinters.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace
{
/** The path the operating system gives the file called name in folder. */
juce::File plainChild (const juce::File& folder, const juce::String& name)
{
    return juce::File::createFileWithoutCheckingPath (folder.getFullPathName() + "/" + name);
}

/** Looks the file up until the key cache has detected it (or ten seconds have passed). */
bool waitForKey (vyl::KeyCache& cache, const juce::File& file, KickPitchResult& result)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds (10);

    while (! cache.lookup (file, result))
    {
        if (std::chrono::steady_clock::now() > deadline)
            return false;

        std::this_thread::sleep_for (std::chrono::milliseconds (5));
    }

    return true;
}
} // namespace

TEST (FileNames, ChildrenArePlainWhateverTheirName)
{
    const juce::File folder ("/kicks/User Kicks");

    for (auto name : { "~Deep.wav", "~", "~root", "..Deep.wav", ".wav", "-Deep.wav", "Back\\slash.wav" })
    {
        EXPECT_TRUE (isPlainFileName (name)) << name;
        EXPECT_EQ (childFileOf (folder, name).getFullPathName(), "/kicks/User Kicks/" + juce::String (name));
        EXPECT_EQ (childFileOf (folder, name).getParentDirectory(), folder) << name;
    }

    // Names that would leave the folder, or say nothing, give no file.
    for (auto name : { "", ".", "..", "a/b.wav", "/etc/passwd", "../Deep.wav" })
    {
        EXPECT_FALSE (isPlainFileName (name)) << name;
        EXPECT_EQ (childFileOf (folder, name), juce::File()) << name;
    }

    EXPECT_EQ (childFileOf (juce::File(), "Deep.wav"), juce::File());
    EXPECT_EQ (childFileOf (juce::File ("/"), "~Deep.wav").getFullPathName(), "/~Deep.wav");
}

TEST (UnusualKickNames, EachIsListedLoadsPlaysImportsOnceAndExports)
{
    const juce::String names[] = {
        "~Deep.wav",
        "~.wav",
        "-Deep.wav",
        "--boom.wav",
        "Say \"Boom\" it's.wav",
        "Back\\slash.wav",
        "$HOME kick.wav",
        "Star * and ? mark.wav",
        juce::String::fromUTF8 ("Kïck Ümläut ß キック.wav"),
        "LOUD KICK.WAV",
    };

    for (const auto& name : names)
    {
        SCOPED_TRACE (name);
        const zobtest::ScopedTempHome home;
        const auto drop = home.temp().getChildFile ("drop");
        ASSERT_TRUE (drop.createDirectory());
        const auto source = plainChild (drop, name);
        ASSERT_TRUE (zobtest::writeWavFile (source, zobtest::makeSineKick (1, 66150, 44100.0, 55.0), 44100.0, 16));

        // Imports once, under its own name, and the second import finds the copy.
        const auto stored = plainChild (getUserKicksFolder(), name);
        EXPECT_EQ (ZobAudioProcessor::importUserKicks ({ source.getFullPathName() }), juce::StringArray (stored.getFullPathName()));
        EXPECT_TRUE (ZobAudioProcessor::importUserKicks ({ source.getFullPathName() }).isEmpty());
        EXPECT_EQ (zobtest::childNames (getUserKicksFolder()), juce::StringArray (name));

        // Is listed with the path of the file that is there.
        const auto listed = ZobAudioProcessor::listUserKicks();
        ASSERT_EQ (listed, juce::StringArray (stored.getFullPathName()));
        const juce::File kick (listed[0]);
        EXPECT_EQ (kick.getFileName(), name);

        // Loads and plays.
        ZobAudioProcessor processor;
        ASSERT_TRUE (processor.loadSample (kick));
        EXPECT_EQ (processor.samplePath, stored.getFullPathName());
        EXPECT_EQ (processor.loadedSample.fileName, name);

        processor.prepareToPlay (44100.0, 512);
        juce::AudioBuffer<float> block (2, 512);
        juce::MidiBuffer midi;
        midi.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 127), 0);
        processor.processBlock (block, midi);
        EXPECT_GT (block.getMagnitude (0, 0, 512), 0.01f);

        // Its star and its key follow it.
        EXPECT_TRUE (processor.favorites.toggleFavorite (kick.getFileName()));
        EXPECT_TRUE (processor.favorites.isFavorite (name));

        KickPitchResult key;
        ASSERT_TRUE (waitForKey (processor.keyCache, kick, key));
        EXPECT_TRUE (key.valid);
        EXPECT_EQ (key.note, 33);

        // Exports into the drag-out folder.
        const auto exported = processor.exportKickForDrag();
        ASSERT_TRUE (exported.startsWith ("/")) << exported;
        EXPECT_TRUE (juce::File (exported).existsAsFile()) << exported;
        EXPECT_EQ (juce::File (exported).getParentDirectory(), processor.getDragExportFolder());
    }
}
