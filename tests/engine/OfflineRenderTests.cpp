#include "ProcessorFixture.h"
#include "support/TestEnvironment.h"

#include <cmath>

using zobtest::ProcessorFixture;

namespace
{
float tone (int channel, int i) { return (channel == 0 ? 0.5f : 0.3f) * std::sin ((float) i * 0.02f); }
float monoTone (int, int i) { return tone (0, i); }
} // namespace

TEST (OfflineRender, FailsWithoutAKickAndLeavesTheBufferAlone)
{
    ProcessorFixture f;
    juce::AudioBuffer<float> out (3, 7);
    out.clear();
    out.setSample (2, 6, 0.25f);
    auto rate = 123.0;

    EXPECT_FALSE (f.processor.renderProcessedKick (out, rate));
    EXPECT_EQ (out.getNumChannels(), 3);
    EXPECT_EQ (out.getNumSamples(), 7);
    EXPECT_EQ (out.getSample (2, 6), 0.25f);
    EXPECT_EQ (rate, 123.0);
}

TEST (OfflineRender, MemoryThatCannotBeHadFailsTheRenderAndTheDrag)
{
    if (! zobtest::AllocationLimit::isAvailable())
        GTEST_SKIP() << "a sanitizer owns the heap: no allocation can be made to fail";

    const zobtest::ScopedTempHome home;
    ProcessorFixture f;
    f.setKick (2, 441000, 44100.0, tone); // 10 s: 3.5 MB of samples
    f.setParameter (ParameterIds::tuneSemitones, -12.0f); // the render needs twice that

    juce::AudioBuffer<float> out (1, 5);
    out.clear();
    out.setSample (0, 4, 0.25f);
    auto rate = 123.0;

    {
        const zobtest::AllocationLimit limit (4 * 1024 * 1024);
        EXPECT_FALSE (f.processor.renderProcessedKick (out, rate));
        EXPECT_EQ (f.processor.exportKickForDrag(), juce::String());
    }

    EXPECT_EQ (out.getNumChannels(), 1);
    EXPECT_EQ (out.getNumSamples(), 5);
    EXPECT_EQ (out.getSample (0, 4), 0.25f);
    EXPECT_EQ (rate, 123.0);
    EXPECT_TRUE (f.processor.getDragExportFolder().findChildFiles (juce::File::findFiles, false).isEmpty());

    // With the memory there, the same render works.
    ASSERT_TRUE (f.processor.renderProcessedKick (out, rate));
    EXPECT_EQ (out.getNumChannels(), 2);
    EXPECT_GE (out.getNumSamples(), 2 * 441000 - 2);
    EXPECT_EQ (rate, 44100.0);
}

TEST (OfflineRender, LastsAsLongAsTheTunedKickPlays)
{
    struct Case
    {
        float tune;
        int expectedLength;
    };

    // A 0.1 s kick at 44.1 kHz that is loud to its last sample: the 100 ms tail rings out
    // below the trim threshold at once, so the render ends with the kick.
    const Case cases[] = {
        { 0.0f, 4410 },
        { -12.0f, 8820 },
        { 12.0f, 2205 },
    };

    for (const auto& c : cases)
    {
        ProcessorFixture f;
        f.setKick (1, 4410, 44100.0, [] (int, int)
                   { return 0.5f; });
        f.setParameter (ParameterIds::tuneSemitones, c.tune);

        juce::AudioBuffer<float> out;
        double rate = 0.0;
        ASSERT_TRUE (f.processor.renderProcessedKick (out, rate));
        EXPECT_EQ (out.getNumSamples(), c.expectedLength) << c.tune;
        EXPECT_EQ (out.getNumChannels(), 1) << c.tune;
        EXPECT_EQ (rate, 44100.0);
        EXPECT_FLOAT_EQ (out.getSample (0, c.expectedLength - 1), 0.5f) << c.tune;
    }
}

TEST (OfflineRender, RendersAtTheKicksOwnRate)
{
    for (const auto kickRate : { 44100.0, 96000.0 })
    {
        ProcessorFixture f;
        f.setKick (1, 2000, kickRate, monoTone);
        f.prepare (48000.0);

        juce::AudioBuffer<float> out;
        double rate = 0.0;
        ASSERT_TRUE (f.processor.renderProcessedKick (out, rate));
        EXPECT_EQ (rate, kickRate);

        // Played at its own rate, the kick comes out sample for sample.
        for (int i = 0; i < 2000; i += 50)
            ASSERT_FLOAT_EQ (out.getSample (0, i), monoTone (0, i)) << kickRate << " at " << i;
    }
}

TEST (OfflineRender, FoldsToMonoOnlyWhenBothChannelsAreTheSame)
{
    struct Case
    {
        const char* name;
        int channels;
        std::function<float (int, int)> shape;
        int expectedChannels;
    };

    const Case cases[] = {
        { "mono kick", 1, monoTone, 1 },
        { "stereo, same channels", 2, monoTone, 1 },
        { "stereo, different channels", 2, tone, 2 },
        { "stereo, one sample differs", 2, [] (int c, int i)
          { return (c == 1 && i == 300) ? 0.1f : monoTone (c, i); },
          2 },
    };

    for (const auto& c : cases)
    {
        ProcessorFixture f;
        f.setKick (c.channels, 4410, 44100.0, c.shape);

        juce::AudioBuffer<float> out;
        double rate = 0.0;
        ASSERT_TRUE (f.processor.renderProcessedKick (out, rate)) << c.name;
        EXPECT_EQ (out.getNumChannels(), c.expectedChannels) << c.name;
        EXPECT_NEAR (out.getSample (c.expectedChannels - 1, 1000), c.shape (c.expectedChannels - 1, 1000), 1.0e-6f) << c.name;
    }
}

TEST (OfflineRender, SilentResultKeepsFiveMilliseconds)
{
    ProcessorFixture f;
    f.setKick (2, 44100, 44100.0, tone);
    f.setParameter (ParameterIds::outputGainDb, -60.0f);

    juce::AudioBuffer<float> out;
    double rate = 0.0;
    ASSERT_TRUE (f.processor.renderProcessedKick (out, rate));
    EXPECT_EQ (out.getNumSamples(), 220);
    EXPECT_EQ (out.getNumChannels(), 1);
    EXPECT_EQ (out.getMagnitude (0, 0, 220), 0.0f);
}

TEST (OfflineRender, ShortLengthEndsWhereTheEnvelopeFallsSilent)
{
    ProcessorFixture f;
    f.setKick (1, 44100, 44100.0, [] (int, int)
               { return 0.5f; });
    f.setParameter (ParameterIds::lengthAmount, 0.0f);

    juce::AudioBuffer<float> out;
    double rate = 0.0;
    ASSERT_TRUE (f.processor.renderProcessedKick (out, rate));

    // The envelope reaches 0 at read position 6683.4; its 2 ms smoothing follows it down.
    EXPECT_GT (out.getNumSamples(), 6600);
    EXPECT_LT (out.getNumSamples(), 7800);
    EXPECT_GT (std::abs (out.getSample (0, out.getNumSamples() - 1)), 1.0e-5f);
}

TEST (OfflineRender, SoundsLikeTheLivePathAndLeavesItAlone)
{
    // The live processor plays at the kick's rate, so both paths run the same chain.
    ProcessorFixture live;
    live.setKick (2, 22050, 44100.0, tone);
    live.prepare (44100.0);
    live.setParameter (ParameterIds::transientAmount, 0.7f);
    live.setParameter (ParameterIds::punchAmount, 0.75f);
    live.setParameter (ParameterIds::lengthAmount, 0.5f);
    live.setParameter (ParameterIds::toneAmount, 0.5f);
    live.setParameter (ParameterIds::tuneSemitones, 3.0f);
    live.setParameter (ParameterIds::outputGainDb, 6.0f);
    live.runBlock(); // settles the OUTPUT ramp

    juce::AudioBuffer<float> rendered;
    double rate = 0.0;
    live.processor.compareEnabled = true; // the compare switch does not reach the render
    ASSERT_TRUE (live.processor.renderProcessedKick (rendered, rate));
    live.processor.compareEnabled = false;
    EXPECT_EQ (rendered.getNumChannels(), 2);
    EXPECT_EQ (live.processor.currentWet, 1.0f);
    EXPECT_FALSE (live.processor.voice.playing);

    live.addNoteOn (0);

    for (int offset = 0; offset < rendered.getNumSamples(); offset += 512)
    {
        live.runBlock();
        const auto count = std::min (512, rendered.getNumSamples() - offset);

        // The live note's velocity is 127 / 127 in float, a hair below the render's 1.
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < count; ++i)
                ASSERT_NEAR (live.buffer.getSample (c, i), rendered.getSample (c, offset + i), 1.0e-5f) << "channel " << c << " sample " << offset + i;
    }
}
