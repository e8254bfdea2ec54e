#include "library/KeyCache.h"
#include "library/KickFolders.h"
#include "library/KickPitchAnalysis.h"
#include "tools/KickSynth/FactoryKicks.h"

#include <gtest/gtest.h>
#include <juce_audio_formats/juce_audio_formats.h>

#include <cmath>
#include <set>

namespace
{
/** The build tree: the test programs sit at its top. */
juce::File buildFolder() { return juce::File::getSpecialLocation (juce::File::currentExecutableFile).getParentDirectory(); }

/** The folder of one plug-in format's build output ("Standalone" or "VST3"). */
juce::File artefactFolder (const juce::String& format)
{
    for (const auto& config : buildFolder().getChildFile ("ZOB_artefacts").findChildFiles (juce::File::findDirectories, false))
        if (config.getChildFile (format).isDirectory())
            return config.getChildFile (format);
    return {};
}

juce::File standalonePresets() { return artefactFolder ("Standalone").getChildFile ("ZOB Presets"); }
} // namespace

TEST (FactoryKicks, TheBuildInstallsThemWhereBothFormatsLook)
{
    const auto standalone = artefactFolder ("Standalone");
    const auto vst3 = artefactFolder ("VST3");
    ASSERT_TRUE (standalone.isDirectory()) << "build the ZOB_Standalone target first";
    ASSERT_TRUE (vst3.isDirectory());

    const auto executable = standalone.getChildFile ("ZOB");
    const auto plugIn = vst3.getChildFile ("ZOB.vst3/Contents/x86_64-linux/ZOB.so");
    ASSERT_TRUE (executable.existsAsFile());
    ASSERT_TRUE (plugIn.existsAsFile());

    const auto kicks = makeFactoryKicks();

    for (const auto& module : { executable, plugIn })
    {
        const auto folder = findFactoryKicksFolder (module, {});
        const auto listed = listKicksInFolder (folder);
        EXPECT_EQ (listed.size(), (int) kicks.size()) << folder.getFullPathName();

        for (const auto& kick : kicks)
            EXPECT_TRUE (folder.getChildFile (kick.fileName).existsAsFile()) << kick.fileName;
    }
}

TEST (FactoryKicks, EachKickHasTheKeyItWasMadeWith)
{
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::set<int> settledNotes, rates, channelCounts, bitDepths;
    auto gliding = 0;

    for (const auto& kick : makeFactoryKicks())
    {
        SCOPED_TRACE (kick.fileName);
        std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (standalonePresets().getChildFile (kick.fileName)));
        ASSERT_NE (reader, nullptr);

        EXPECT_EQ (reader->sampleRate, kick.sampleRate);
        EXPECT_EQ ((int) reader->bitsPerSample, kick.bitsPerSample);
        EXPECT_EQ ((int) reader->numChannels, kick.recipe.numChannels);
        const auto seconds = (double) reader->lengthInSamples / reader->sampleRate;
        EXPECT_GE (seconds, 0.3);
        EXPECT_LE (seconds, 2.5);

        juce::AudioBuffer<float> buffer ((int) reader->numChannels, (int) reader->lengthInSamples);
        reader->read (&buffer, 0, buffer.getNumSamples(), 0, true, true);
        EXPECT_LT (buffer.getMagnitude (0, buffer.getNumSamples()), 1.0f); // no clipping
        EXPECT_LT (std::abs (buffer.getSample (0, buffer.getNumSamples() - 1)), 1.0e-3f); // ends quietly

        const auto pitch = analyseKick (buffer, reader->sampleRate);
        ASSERT_TRUE (pitch.valid);
        EXPECT_EQ (pitch.note, kick.expectedNote);
        EXPECT_EQ (pitch.approx, kick.expectedApprox);

        if (kick.expectedApprox)
        {
            ++gliding;
            EXPECT_LT (pitch.hz, kick.recipe.settledHz); // found somewhere down the glide
        }
        else
        {
            // A settled kick reads as the note its body settles on.
            const auto settledMidi = 12.0 * std::log2 (kick.recipe.settledHz / 440.0) + 69.0;
            EXPECT_EQ (kick.expectedNote, (int) std::lround (settledMidi));
            EXPECT_GE (kick.recipe.settledHz, 40.0);
            EXPECT_LE (kick.recipe.settledHz, 111.0);
            settledNotes.insert (kick.expectedNote);
        }

        rates.insert ((int) kick.sampleRate);
        channelCounts.insert (kick.recipe.numChannels);
        bitDepths.insert (kick.bitsPerSample);
    }

    EXPECT_GE (settledNotes.size(), 6u);
    EXPECT_GE (gliding, 2);
    EXPECT_EQ (rates, (std::set<int> { 44100, 48000 }));
    EXPECT_EQ (channelCounts, (std::set<int> { 1, 2 }));
    EXPECT_EQ (bitDepths, (std::set<int> { 16, 24 }));
}

TEST (FactoryKicks, EachRingsOutBeforeItEnds)
{
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();

    for (const auto& kick : makeFactoryKicks())
    {
        SCOPED_TRACE (kick.fileName);
        const auto file = standalonePresets().getChildFile (kick.fileName);
        std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));
        ASSERT_NE (reader, nullptr);

        juce::AudioBuffer<float> buffer ((int) reader->numChannels, (int) reader->lengthInSamples);
        reader->read (&buffer, 0, buffer.getNumSamples(), 0, true, true);

        // The level from 60 to 40 ms before the end, where a closing fade has not begun: a kick
        // that rings out is down near the noise floor of a recording by then, not cut off.
        const auto rate = reader->sampleRate;
        const auto start = buffer.getNumSamples() - (int) (0.06 * rate);
        const auto length = (int) (0.02 * rate);
        auto loudest = 0.0f;

        for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
            loudest = std::max (loudest, buffer.getRMSLevel (channel, start, length));

        const auto levelDb = juce::Decibels::gainToDecibels (loudest, -200.0f);
        EXPECT_LE (levelDb, -40.0f);

        // The browser row analyses the first 1.5 s of the file: it finds the note too.
        const auto row = vyl::KeyCache::detectFile (file, formats);
        ASSERT_TRUE (row.valid);
        EXPECT_EQ (row.note, kick.expectedNote);
        EXPECT_EQ (row.approx, kick.expectedApprox);
    }
}

TEST (FactoryKicks, TheSynthesiserWritesTheSameBytesEveryTime)
{
    const auto tool = buildFolder().getChildFile ("ZobKickSynth");
    ASSERT_TRUE (tool.existsAsFile());

    const auto again = juce::File::createTempFile ("kicks");
    juce::ChildProcess process;
    ASSERT_TRUE (process.start (juce::StringArray { tool.getFullPathName(), again.getFullPathName() }));
    process.waitForProcessToFinish (60000);
    ASSERT_EQ (process.getExitCode(), 0u);

    for (const auto& kick : makeFactoryKicks())
    {
        juce::MemoryBlock installed, rendered;
        ASSERT_TRUE (standalonePresets().getChildFile (kick.fileName).loadFileAsData (installed));
        ASSERT_TRUE (again.getChildFile (kick.fileName).loadFileAsData (rendered));
        EXPECT_TRUE (installed == rendered) << kick.fileName;
    }

    again.deleteRecursively();
}
