#include "ProcessorFixture.h"
#include "engine/KickLoading.h"
#include "support/AudioFiles.h"
#include "support/FixedRateFormat.h"
#include "support/TestEnvironment.h"

#include <cmath>

namespace
{
/** Writes a 16-bit WAV whose sample i of channel c is 0.25 * sin (i * 0.01 * (c + 1)). */
juce::File writeWav (const juce::File& file, int channels, double rate, int frames, int bits = 16)
{
    file.deleteFile();
    juce::AudioBuffer<float> audio (channels, frames);

    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < frames; ++i)
            audio.setSample (c, i, 0.25f * std::sin ((float) i * 0.01f * (float) (c + 1)));

    std::unique_ptr<juce::OutputStream> stream (file.createOutputStream());
    std::unique_ptr<juce::AudioFormatWriter> writer (
        juce::WavAudioFormat().createWriterFor (stream.get(), rate, (unsigned int) channels, bits, {}, 0));
    EXPECT_NE (writer, nullptr);
    stream.release(); // the writer owns it now
    writer->writeFromAudioSampleBuffer (audio, 0, frames);
    return file;
}

struct WavHeader
{
    juce::uint16 format = 1;
    juce::uint16 channels = 2;
    juce::uint32 sampleRate = 44100;
    juce::uint16 bits = 16;
    juce::uint32 claimedDataBytes = 0;
    int actualDataBytes = 0;
    bool rf64 = false;
    juce::uint64 rf64DataBytes = 0;
};

/** A hand-made WAV: the header says what the case wants, whatever data follows. */
juce::File writeRawWav (const juce::File& file, const WavHeader& h)
{
    juce::MemoryOutputStream out;
    out.write (h.rf64 ? "RF64" : "RIFF", 4);
    out.writeInt (h.rf64 ? -1 : (int) (36 + h.actualDataBytes));
    out.write ("WAVE", 4);

    if (h.rf64)
    {
        out.write ("ds64", 4);
        out.writeInt (28);
        out.writeInt64 (36 + (juce::int64) h.actualDataBytes); // RIFF size
        out.writeInt64 ((juce::int64) h.rf64DataBytes);
        out.writeInt64 (0); // sample count
        out.writeInt (0); // table length
    }

    const auto blockAlign = (juce::uint16) (h.channels * h.bits / 8);
    out.write ("fmt ", 4);
    out.writeInt (16);
    out.writeShort ((short) h.format);
    out.writeShort ((short) h.channels);
    out.writeInt ((int) h.sampleRate);
    out.writeInt ((int) (h.sampleRate * blockAlign));
    out.writeShort ((short) blockAlign);
    out.writeShort ((short) h.bits);
    out.write ("data", 4);
    out.writeInt (h.rf64 ? -1 : (int) h.claimedDataBytes);

    for (int i = 0; i < h.actualDataBytes; ++i)
        out.writeByte ((char) (i * 7));

    file.replaceWithData (out.getData(), out.getDataSize());
    return file;
}

juce::AudioFormatManager& basicFormats()
{
    static juce::AudioFormatManager formats;

    if (formats.getNumKnownFormats() == 0)
        formats.registerBasicFormats();

    return formats;
}
} // namespace

TEST (KickLoading, ReadsWholeFilesWithTheirChannelsAndRate)
{
    zobtest::ScopedTempHome home;

    struct Case
    {
        int channels;
        double rate;
        int frames;
    };

    const Case cases[] = {
        { 1, 44100.0, 1000 },
        { 2, 48000.0, 4410 },
        { 6, 96000.0, 300 },
    };

    for (const auto& c : cases)
    {
        const auto file = writeWav (home.temp().getChildFile ("Kick " + juce::String (c.channels) + ".wav"), c.channels, c.rate, c.frames);

        LoadedSample sample;
        ASSERT_TRUE (loadSampleFile (sample, file, basicFormats())) << c.channels;
        EXPECT_EQ (sample.buffer.getNumChannels(), c.channels);
        EXPECT_EQ (sample.buffer.getNumSamples(), c.frames);
        EXPECT_DOUBLE_EQ (sample.sampleRate, c.rate);
        EXPECT_EQ (sample.fileName, file.getFileName());

        for (int ch = 0; ch < c.channels; ++ch)
            for (int i = 0; i < c.frames; i += 17)
                ASSERT_NEAR (sample.buffer.getSample (ch, i), 0.25f * std::sin ((float) i * 0.01f * (float) (ch + 1)), 1.0e-4f);
    }
}

TEST (KickLoading, RefusesFilesThatCannotBeRead)
{
    zobtest::ScopedTempHome home;
    const auto folder = home.temp();

    auto text = folder.getChildFile ("notes.wav");
    text.replaceWithText ("This is not a sound file at all, just some text renamed.");

    auto empty = folder.getChildFile ("empty.wav");
    empty.replaceWithData (nullptr, 0);

    auto headerOnly = writeWav (folder.getChildFile ("truncated header.wav"), 2, 44100.0, 500);
    {
        juce::MemoryBlock bytes;
        headerOnly.loadFileAsData (bytes);
        headerOnly.replaceWithData (bytes.getData(), 20);
    }

    auto subfolder = folder.getChildFile ("folder.wav");
    subfolder.createDirectory();

    const juce::File files[] = {
        folder.getChildFile ("missing.wav"),
        subfolder,
        text,
        empty,
        headerOnly,
        writeRawWav (folder.getChildFile ("no data.wav"), {}),
    };

    for (const auto& file : files)
    {
        LoadedSample sample;
        sample.fileName = "untouched";
        EXPECT_FALSE (loadSampleFile (sample, file, basicFormats())) << file.getFileName();
        EXPECT_EQ (sample.fileName, juce::String ("untouched"));
        EXPECT_EQ (sample.buffer.getNumSamples(), 0);
    }
}

TEST (KickLoading, RefusesUnbelievableHeaders)
{
    zobtest::ScopedTempHome home;
    const auto folder = home.temp();

    struct Case
    {
        const char* name;
        WavHeader header;
    };

    auto header = [] (auto change)
    {
        WavHeader h;
        h.claimedDataBytes = 400;
        h.actualDataBytes = 400;
        change (h);
        return h;
    };

    const Case cases[] = {
        // Billions of frames in a few hundred bytes: beyond what a buffer can index.
        { "rf64 beyond int", header ([] (WavHeader& h)
                                     { h.rf64 = true; h.rf64DataBytes = 1ull << 40; }) },
        // 2^32 + 250 stereo frames: cut to 32 bits, the length would read as a plausible 250.
        { "rf64 just past 32 bits", header ([] (WavHeader& h)
                                            { h.rf64 = true; h.rf64DataBytes = ((1ull << 32) + 250) * 4; }) },
        // About 1.07 billion stereo frames: more audio than any kick.
        { "huge data chunk", header ([] (WavHeader& h)
                                     { h.claimedDataBytes = 0xfffffff0u; }) },
        // So many channels that some readers never finish a read.
        { "4000 channels", header ([] (WavHeader& h)
                                   { h.channels = 4000; h.claimedDataBytes = 16000; h.actualDataBytes = 16000; }) },
        { "no channels", header ([] (WavHeader& h)
                                 { h.channels = 0; }) },
        { "2 MHz", header ([] (WavHeader& h)
                           { h.sampleRate = 2000000; }) },
    };

    for (const auto& c : cases)
    {
        const auto file = writeRawWav (folder.getChildFile (juce::String (c.name) + ".wav"), c.header);

        LoadedSample sample;
        EXPECT_FALSE (loadSampleFile (sample, file, basicFormats())) << c.name;
        EXPECT_EQ (sample.buffer.getNumSamples(), 0) << c.name;
    }
}

TEST (KickLoading, TruncatedDataLoadsWhatTheFileHolds)
{
    zobtest::ScopedTempHome home;

    // Claims 100 million mono frames but holds 1000: no 400 MB buffer for the missing ones.
    WavHeader h;
    h.channels = 1;
    h.claimedDataBytes = 200000000u;
    h.actualDataBytes = 2000;
    const auto file = writeRawWav (home.temp().getChildFile ("cut short.wav"), h);

    LoadedSample sample;
    ASSERT_TRUE (loadSampleFile (sample, file, basicFormats()));
    EXPECT_EQ (sample.buffer.getNumChannels(), 1);
    EXPECT_GE (sample.buffer.getNumSamples(), 1000);
    EXPECT_LE (sample.buffer.getNumSamples(), (int) file.getSize() / 2);

    // A real file cut in the middle of its data keeps the frames before the cut.
    const auto cut = writeWav (home.temp().getChildFile ("cut.wav"), 2, 44100.0, 2000);
    {
        juce::MemoryBlock bytes;
        cut.loadFileAsData (bytes);
        cut.replaceWithData (bytes.getData(), bytes.getSize() / 2);
    }

    ASSERT_TRUE (loadSampleFile (sample, cut, basicFormats()));
    EXPECT_LT (sample.buffer.getNumSamples(), 2000);
    EXPECT_GT (sample.buffer.getNumSamples(), 900);
    EXPECT_NEAR (sample.buffer.getSample (1, 800), 0.25f * std::sin (800.0f * 0.02f), 1.0e-4f);
}

TEST (KickLoading, LoadSampleSwapsTheKickAndStopsTheVoice)
{
    zobtest::ScopedTempHome home;
    const auto first = writeWav (home.temp().getChildFile ("First.wav"), 2, 48000.0, 48000);
    const auto second = writeWav (home.temp().getChildFile ("Second.wav"), 1, 44100.0, 22050);

    zobtest::ProcessorFixture f;
    f.prepare();
    ASSERT_TRUE (f.processor.loadSample (first));
    EXPECT_EQ (f.processor.samplePath, first.getFullPathName());
    EXPECT_EQ (f.processor.loadedSample.fileName, juce::String ("First.wav"));

    f.addNoteOn (0);
    f.runBlock();
    EXPECT_GT (f.buffer.getMagnitude (0, 512), 0.0f);
    EXPECT_TRUE (f.processor.voice.playing);

    // A valid kick cuts the sounding one at once and plays on the next note-on.
    ASSERT_TRUE (f.processor.loadSample (second));
    EXPECT_FALSE (f.processor.voice.playing);
    EXPECT_EQ (f.processor.samplePath, second.getFullPathName());
    EXPECT_EQ (f.processor.loadedSample.fileName, juce::String ("Second.wav"));
    EXPECT_EQ (f.processor.loadedSample.buffer.getNumChannels(), 1);
    EXPECT_EQ (f.processor.loadedSample.buffer.getNumSamples(), 22050);
    EXPECT_DOUBLE_EQ (f.processor.loadedSample.sampleRate, 44100.0);
    EXPECT_TRUE (f.processor.sampleLock.tryEnter());
    f.processor.sampleLock.exit();

    f.runBlock();
    EXPECT_EQ (f.buffer.getMagnitude (0, 512), 0.0f);

    f.addNoteOn (0);
    f.runBlock();
    // The mono kick plays on both outputs, at 44.1 kHz into 48 kHz.
    EXPECT_NEAR (f.buffer.getSample (0, 100), 127.0f * 0.007874016f * 0.25f * std::sin (100.0f * 0.91875f * 0.01f), 1.0e-3f);
    EXPECT_FLOAT_EQ (f.buffer.getSample (1, 100), f.buffer.getSample (0, 100));
}

TEST (KickLoading, FailedLoadLeavesThePreviousKickSounding)
{
    zobtest::ScopedTempHome home;
    const auto good = writeWav (home.temp().getChildFile ("Good.wav"), 2, 48000.0, 48000);
    auto text = home.temp().getChildFile ("text.wav");
    text.replaceWithText ("nope");
    WavHeader huge;
    huge.claimedDataBytes = 0xfffffff0u;
    huge.actualDataBytes = 64;

    const juce::File bad[] = {
        home.temp().getChildFile ("missing.wav"),
        text,
        writeRawWav (home.temp().getChildFile ("huge.wav"), huge),
    };

    zobtest::ProcessorFixture f;
    f.prepare();
    ASSERT_TRUE (f.processor.loadSample (good));
    const auto pitchBefore = f.processor.getKickPitch();
    f.addNoteOn (0);
    f.runBlock();

    for (const auto& file : bad)
    {
        EXPECT_FALSE (f.processor.loadSample (file)) << file.getFileName();
        EXPECT_EQ (f.processor.samplePath, good.getFullPathName());
        EXPECT_EQ (f.processor.loadedSample.fileName, juce::String ("Good.wav"));
        EXPECT_EQ (f.processor.loadedSample.buffer.getNumSamples(), 48000);
        EXPECT_EQ (f.processor.loadedSample.buffer.getNumChannels(), 2);
        EXPECT_EQ (f.processor.getKickPitch().valid, pitchBefore.valid);
        EXPECT_TRUE (f.processor.voice.playing) << file.getFileName();
    }

    f.runBlock();
    EXPECT_GT (f.buffer.getMagnitude (0, 512), 0.0f);
}

TEST (KickLoading, SwapHandsTheOldKickBackToBeFreedOutsideTheLock)
{
    zobtest::ProcessorFixture f;
    f.setKick (2, 1000, 44100.0, [] (int, int)
               { return 0.5f; });
    f.processor.loadedSample.fileName = "Old.wav";
    const auto* oldData = f.processor.loadedSample.buffer.getReadPointer (0);

    LoadedSample incoming;
    incoming.buffer.setSize (1, 500);
    incoming.sampleRate = 96000.0;
    incoming.fileName = "New.wav";
    const auto* newData = incoming.buffer.getReadPointer (0);

    f.processor.voice.trigger (1.0f);
    f.processor.swapInKick (incoming);

    // The processor holds the new kick and a stopped voice; the old kick's memory came back
    // out of the locked step whole, to be freed by the caller once the lock is free.
    EXPECT_EQ (f.processor.loadedSample.buffer.getReadPointer (0), newData);
    EXPECT_DOUBLE_EQ (f.processor.loadedSample.sampleRate, 96000.0);
    EXPECT_EQ (f.processor.loadedSample.fileName, juce::String ("New.wav"));
    EXPECT_FALSE (f.processor.voice.playing);
    EXPECT_EQ (incoming.buffer.getReadPointer (0), oldData);
    EXPECT_EQ (incoming.buffer.getNumSamples(), 1000);
    EXPECT_EQ (incoming.fileName, juce::String ("Old.wav"));
    EXPECT_TRUE (f.processor.sampleLock.tryEnter());
    f.processor.sampleLock.exit();
}

TEST (KickLoading, ARateOfZeroPlaysAs44100)
{
    zobtest::ScopedTempHome home;
    const auto file = home.temp().getChildFile ("odd.fixedrate");
    ASSERT_TRUE (file.replaceWithText ("stands in for audio data"));

    for (const auto reported : { 0.0, -8000.0 })
    {
        juce::AudioFormatManager formats;
        formats.registerFormat (new zobtest::FixedRateFormat (reported), true);

        LoadedSample sample;
        ASSERT_TRUE (loadSampleFile (sample, file, formats)) << reported;
        EXPECT_EQ (sample.sampleRate, 44100.0) << reported;
        EXPECT_EQ (sample.buffer.getNumSamples(), 300);
        EXPECT_EQ (sample.buffer.getSample (0, 299), 0.5f);
    }
}

TEST (KickLoading, KeepsThePitchOfTheLoadedKick)
{
    zobtest::ScopedTempHome home;
    const auto pitched = home.temp().getChildFile ("A1 kick.wav");
    const auto silent = home.temp().getChildFile ("Silence.wav");
    ASSERT_TRUE (zobtest::writeWavFile (pitched, zobtest::makeSineKick (1, 66150, 44100.0, 55.0), 44100.0, 16));
    juce::AudioBuffer<float> silence (1, 44100);
    silence.clear();
    ASSERT_TRUE (zobtest::writeWavFile (silent, silence, 44100.0, 16));

    zobtest::ProcessorFixture f;
    EXPECT_FALSE (f.processor.getKickPitch().valid) << "no kick, no pitch";

    ASSERT_TRUE (f.processor.loadSample (pitched));
    const auto pitch = f.processor.getKickPitch();
    EXPECT_TRUE (pitch.valid);
    EXPECT_EQ (pitch.note, 33);
    EXPECT_EQ (pitch.hz, analyseKick (f.processor.loadedSample.buffer, f.processor.loadedSample.sampleRate).hz);

    // A failed load keeps the pitch; a kick without a clear pitch still loads, and its
    // result is stored like any other.
    EXPECT_FALSE (f.processor.loadSample (home.temp().getChildFile ("missing.wav")));
    EXPECT_EQ (f.processor.getKickPitch().hz, pitch.hz);

    ASSERT_TRUE (f.processor.loadSample (silent));
    EXPECT_FALSE (f.processor.getKickPitch().valid);
    EXPECT_EQ (f.processor.samplePath, silent.getFullPathName());
}
