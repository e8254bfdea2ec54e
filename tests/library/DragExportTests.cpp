#include "library/DragExport.h"
#include "library/NoFollowFiles.h"

#include "engine/ZobAudioProcessor.h"

#include "support/AudioFiles.h"
#include "support/JucePrinters.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace
{
const juce::String instance ("3f2a9c1e-0000-4000-8000-00000000a11c");
constexpr juce::int64 minuteMs = 60 * 1000;
constexpr juce::int64 hourMs = 60 * minuteMs;

juce::String exportMono (const juce::String& kickFileName, const juce::String& instanceId = instance)
{
    return writeDragExportFile (zobtest::makeSineKick (1, 2000, 44100.0), 44100.0, kickFileName, instanceId);
}

void setAge (const juce::File& file, juce::int64 ageMs)
{
    ASSERT_TRUE (file.setLastModificationTime (juce::Time (juce::Time::currentTimeMillis() - ageMs)));
}

juce::File makeFile (const juce::File& file, juce::int64 ageMs = 0)
{
    file.getParentDirectory().createDirectory();
    file.replaceWithText ("x");
    setAge (file, ageMs);
    return file;
}

bool makeLink (const juce::File& link, const juce::File& target)
{
    link.getParentDirectory().createDirectory();
    return ::symlink (target.getFullPathName().toRawUTF8(), link.getFullPathName().toRawUTF8()) == 0;
}
} // namespace

TEST (DragExport, NamesFilesAfterTheKickAndNumbersTakenNames)
{
    const zobtest::ScopedTempHome home;
    const auto folder = home.temp().getChildFile ("ZOB Drag").getChildFile (instance);
    EXPECT_EQ (getDragTempFolder(), home.temp().getChildFile ("ZOB Drag"));
    EXPECT_EQ (getDragExportFolderFor (instance), folder);

    const juce::String expectedRepeats[] = { "GARAGE - KICK 07 (ZOB).wav", "GARAGE - KICK 07 (ZOB)(2).wav", "GARAGE - KICK 07 (ZOB)(3).wav" };

    for (const auto& expected : expectedRepeats)
        EXPECT_EQ (exportMono ("Garage - Kick 7.wav"), folder.getChildFile (expected).getFullPathName());

    // Ten minutes on, the next export first sweeps all three away, then takes the plain name again.
    for (const auto& expected : expectedRepeats)
        setAge (folder.getChildFile (expected), 10 * minuteMs);

    EXPECT_EQ (exportMono ("Garage - Kick 7.wav"), folder.getChildFile (expectedRepeats[0]).getFullPathName());
    EXPECT_EQ (zobtest::childNames (folder), juce::StringArray (expectedRepeats[0]));

    struct Case
    {
        const char* kickFileName;
        const char* exportName;
    };

    const Case cases[] = {
        { "VYL_Kick_Deep_05.wav", "KICK DEEP 05 (ZOB).wav" },
        { ".wav", ".wav (ZOB).wav" },
        { "Kick: \"Deep\"?.aif", "KICK DEEP (ZOB).wav" },
        { "", "ZOB Kick (ZOB).wav" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (exportMono (c.kickFileName), folder.getChildFile (c.exportName).getFullPathName()) << c.kickFileName;

    EXPECT_EQ (exportMono ("Kick.wav", {}), juce::String());
    EXPECT_EQ (exportMono ("Kick.wav", ".."), juce::String());
}

TEST (DragExport, NumbersNamesTheWayJuceDoes)
{
    const zobtest::ScopedTempHome home;
    const auto folder = home.temp().getChildFile ("names");

    struct Case
    {
        const char* prefix;
        bool brackets;
    };

    const Case cases[] = { { "Deep", false }, { "Kick 1", false }, { "Kick (A)", false }, { "Kick (3)", false }, { "X (ZOB)", false }, { "Deep", true }, { "Kick 1 ", false } };

    for (const auto& c : cases)
    {
        folder.deleteRecursively();
        folder.createDirectory();

        for (int attempt = 0; attempt < 4; ++attempt)
        {
            const auto juceChoice = folder.getNonexistentChildFile (c.prefix, ".wav", c.brackets);
            EXPECT_EQ (NoFollowFiles::numberedChildName (c.prefix, ".wav", c.brackets, attempt), juceChoice.getFileName()) << c.prefix;
            juceChoice.create();
        }
    }
}

TEST (DragExport, WritesTwentyFourBitWavAtTheRenderedRate)
{
    struct Case
    {
        int channels;
        double sampleRate;
        const char* channelSetName;
    };

    const Case cases[] = { { 1, 44100.0, "mono" }, { 2, 96000.0, "stereo" }, { 2, 22050.0, "stereo" } };

    for (const auto& c : cases)
    {
        const zobtest::ScopedTempHome home;
        const auto rendered = zobtest::makeSineKick (c.channels, 3001, c.sampleRate, 60.0, true);
        const juce::File file (writeDragExportFile (rendered, c.sampleRate, "Kick 1.wav", instance));
        ASSERT_TRUE (file.existsAsFile()) << c.channelSetName;

        const auto decoded = zobtest::readAudioFile (file);
        ASSERT_TRUE (decoded.ok);
        EXPECT_EQ (decoded.formatName, "WAV file");
        EXPECT_EQ (decoded.bitsPerSample, 24u);
        EXPECT_FALSE (decoded.usesFloatingPointData);
        EXPECT_EQ (decoded.sampleRate, c.sampleRate);
        ASSERT_EQ (decoded.buffer.getNumChannels(), c.channels) << c.channelSetName;
        ASSERT_EQ (decoded.buffer.getNumSamples(), rendered.getNumSamples());

        for (int channel = 0; channel < c.channels; ++channel)
            for (int i = 0; i < rendered.getNumSamples(); ++i)
                ASSERT_NEAR (decoded.buffer.getSample (channel, i), rendered.getSample (channel, i), 1.0 / 8388608.0) << channel << " " << i;
    }
}

namespace
{
/** A writer that starts the file, then fails every write. */
class FailingWriter : public juce::AudioFormatWriter
{
public:
    explicit FailingWriter (juce::OutputStream* stream)
        : juce::AudioFormatWriter (stream, "Failing", 44100.0, 1, 24) {}

    bool write (const int**, int) override
    {
        output->writeString ("partial");
        return false;
    }
};

/** A WAV format whose writers cannot be made, or fail to write. */
class BrokenWavFormat : public juce::WavAudioFormat
{
public:
    explicit BrokenWavFormat (bool makeWriter)
        : makesWriter (makeWriter) {}

    using juce::WavAudioFormat::createWriterFor;

    juce::AudioFormatWriter* createWriterFor (juce::OutputStream* stream, double, const juce::AudioChannelSet&, int, const juce::StringPairArray&, int) override
    {
        if (! makesWriter)
            return nullptr; // the stream stays the caller's
        return new FailingWriter (stream);
    }

private:
    bool makesWriter;
};
} // namespace

TEST (DragExport, LeavesNoFileWhenNothingCanBeWritten)
{
    const zobtest::ScopedTempHome home;
    const auto kick = zobtest::makeSineKick (2, 512, 44100.0);

    BrokenWavFormat noWriter (false), failingWriter (true);
    EXPECT_EQ (writeDragExportFile (noWriter, kick, 44100.0, "Kick.wav", instance), juce::String());
    EXPECT_EQ (writeDragExportFile (failingWriter, kick, 44100.0, "Kick.wav", instance), juce::String());
    EXPECT_EQ (writeDragExportFile (juce::AudioBuffer<float>(), 44100.0, "Kick.wav", instance), juce::String());
    EXPECT_TRUE (getDragExportFolderFor (instance).isDirectory());
    EXPECT_TRUE (zobtest::childNames (getDragExportFolderFor (instance)).isEmpty());

    // The failed attempts left no name taken.
    EXPECT_EQ (exportMono ("Kick.wav"), getDragExportFolderFor (instance).getChildFile ("KICK (ZOB).wav").getFullPathName());
}

TEST (DragExport, SweepsOldFilesOfThisInstanceAndIdleFoldersOfOthers)
{
    const zobtest::ScopedTempHome home;
    const auto root = getDragTempFolder();
    const auto own = getDragExportFolderFor (instance);

    makeFile (own.getChildFile ("fresh (ZOB).wav"), 4 * minuteMs);
    makeFile (own.getChildFile ("old (ZOB).wav"), 6 * minuteMs);
    makeFile (own.getChildFile ("notes.txt"), 48 * hourMs);
    makeFile (own.getChildFile ("LOUD.WAV"), 48 * hourMs);
    makeFile (own.getChildFile ("sub").getChildFile ("deep.wav"), 48 * hourMs);
    setAge (own, 30 * 24 * hourMs); // this instance's own folder is never swept by itself

    makeFile (root.getChildFile ("recent").getChildFile ("a.wav"), 48 * hourMs);
    setAge (root.getChildFile ("recent"), 23 * hourMs);
    makeFile (root.getChildFile ("idle").getChildFile ("b.wav"));
    makeFile (root.getChildFile ("idle").getChildFile ("inner").getChildFile ("c.wav"));
    setAge (root.getChildFile ("idle"), 25 * hourMs);
    makeFile (root.getChildFile ("stray file"), 48 * hourMs); // not a folder: left alone

    const juce::File written (exportMono ("Kick.wav"));
    EXPECT_TRUE (written.existsAsFile());

    EXPECT_EQ (zobtest::childNames (own), juce::StringArray ("fresh (ZOB).wav", "KICK (ZOB).wav", "LOUD.WAV", "notes.txt", "sub"));
    EXPECT_TRUE (own.getChildFile ("sub").getChildFile ("deep.wav").existsAsFile());
    EXPECT_EQ (zobtest::childNames (root), juce::StringArray (instance, "recent", "stray file"));
    EXPECT_TRUE (root.getChildFile ("recent").getChildFile ("a.wav").existsAsFile());
}

TEST (DragExport, SweepAgesAreFiveMinutesAndTwentyFourHours)
{
    // Ages just inside and just beyond each limit, with room for the time the export takes.
    constexpr juce::int64 secondMs = 1000;
    const zobtest::ScopedTempHome home;
    const auto root = getDragTempFolder();
    const auto own = getDragExportFolderFor (instance);

    makeFile (own.getChildFile ("4m58s (ZOB).wav"), 5 * minuteMs - 2 * secondMs);
    makeFile (own.getChildFile ("5m02s (ZOB).wav"), 5 * minuteMs + 2 * secondMs);

    for (const auto& [name, ageMs] : { std::pair<const char*, juce::int64> { "23h59m", 24 * hourMs - minuteMs }, { "24h01m", 24 * hourMs + minuteMs } })
    {
        makeFile (root.getChildFile (name).getChildFile ("a.wav"));
        setAge (root.getChildFile (name), ageMs);
    }

    EXPECT_TRUE (juce::File (exportMono ("Kick.wav")).existsAsFile());
    EXPECT_EQ (zobtest::childNames (own), juce::StringArray ("4m58s (ZOB).wav", "KICK (ZOB).wav"));
    EXPECT_EQ (zobtest::childNames (root), juce::StringArray ("23h59m", instance));
}

TEST (DragExport, NeverFollowsLinksPlantedInTheSharedTemporaryFolder)
{
    struct Case
    {
        const char* description;
        bool rootIsLink;
        bool instanceIsLink;
        bool exportSucceeds;
    };

    const Case cases[] = {
        { "linked root", true, false, false },
        { "linked instance folder", false, true, false },
        { "links among the swept entries", false, false, true },
    };

    for (const auto& c : cases)
    {
        const zobtest::ScopedTempHome home;
        const auto root = getDragTempFolder();
        const auto own = getDragExportFolderFor (instance);

        // Someone else's files, old enough for every sweep.
        const auto victim = home.home().getChildFile ("victim");
        makeFile (victim.getChildFile ("precious.wav"), 48 * hourMs);
        makeFile (victim.getChildFile (instance).getChildFile ("inner.wav"), 48 * hourMs);
        makeFile (victim.getChildFile ("folder").getChildFile ("deep.wav"), 48 * hourMs);
        setAge (victim.getChildFile ("folder"), 48 * hourMs);
        setAge (victim, 48 * hourMs);
        const auto victimBefore = zobtest::childNames (victim);

        if (c.rootIsLink)
        {
            ASSERT_TRUE (makeLink (root, victim));
        }
        else if (c.instanceIsLink)
        {
            ASSERT_TRUE (makeLink (own, victim));
        }
        else
        {
            ASSERT_TRUE (makeLink (root.getChildFile ("linked folder"), victim));
            ASSERT_TRUE (makeLink (own.getChildFile ("old (ZOB).wav"), victim.getChildFile ("precious.wav")));
            ASSERT_TRUE (makeLink (root.getChildFile ("idle").getChildFile ("way out"), victim));
            setAge (root.getChildFile ("idle"), 25 * hourMs);
        }

        const auto result = exportMono ("Kick.wav");
        EXPECT_EQ (juce::File (result).existsAsFile(), c.exportSucceeds) << c.description;
        EXPECT_EQ (result.isNotEmpty(), c.exportSucceeds) << c.description;

        EXPECT_EQ (zobtest::childNames (victim), victimBefore) << c.description;
        EXPECT_TRUE (victim.getChildFile ("precious.wav").existsAsFile()) << c.description;
        EXPECT_TRUE (victim.getChildFile (instance).getChildFile ("inner.wav").existsAsFile()) << c.description;
        EXPECT_TRUE (victim.getChildFile ("folder").getChildFile ("deep.wav").existsAsFile()) << c.description;

        if (c.exportSucceeds)
        {
            EXPECT_TRUE (root.getChildFile ("linked folder").isSymbolicLink());
            EXPECT_TRUE (own.getChildFile ("old (ZOB).wav").isSymbolicLink());
            EXPECT_FALSE (root.getChildFile ("idle").exists()); // the stale folder goes, its link as a link
        }
    }
}

TEST (DragExport, ProcessorExportsTheLoadedKick)
{
    const zobtest::ScopedTempHome home;
    ZobAudioProcessor processor;

    EXPECT_EQ (processor.getDragExportFolder(), getDragTempFolder().getChildFile (processor.instanceId));
    EXPECT_EQ (processor.exportKickForDrag(), juce::String());
    EXPECT_FALSE (getDragTempFolder().exists());

    const auto kick = home.temp().getChildFile ("VYL_Kick_Deep_05.wav");
    ASSERT_TRUE (zobtest::writeWavFile (kick, zobtest::makeSineKick (1, 4800, 48000.0), 48000.0, 16));
    ASSERT_TRUE (processor.loadSample (kick));

    const juce::File written (processor.exportKickForDrag());
    EXPECT_EQ (written, processor.getDragExportFolder().getChildFile ("KICK DEEP 05 (ZOB).wav"));

    const auto decoded = zobtest::readAudioFile (written);
    ASSERT_TRUE (decoded.ok);
    EXPECT_EQ (decoded.bitsPerSample, 24u);
    EXPECT_EQ (decoded.sampleRate, 48000.0);
    EXPECT_EQ (decoded.buffer.getNumChannels(), 1);
    EXPECT_GT (decoded.buffer.getMagnitude (0, decoded.buffer.getNumSamples()), 0.1f);
}
