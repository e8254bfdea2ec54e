#include "engine/KickVoice.h"
#include "engine/LengthCurve.h"
#include "support/AllocationCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
/** A kick whose every sample on channel c is value + c (so channels can be told apart). */
LoadedSample makeConstantKick (int numSamples, double sampleRate, int numChannels = 1, float value = 1.0f)
{
    LoadedSample kick;
    kick.sampleRate = sampleRate;
    kick.buffer.setSize (numChannels, numSamples);

    for (int c = 0; c < numChannels; ++c)
        juce::FloatVectorOperations::fill (kick.buffer.getWritePointer (c), value + (float) c, numSamples);

    return kick;
}

/** A kick whose sample i is i / numSamples: its output tells the read position. */
LoadedSample makeRampKick (int numSamples, double sampleRate)
{
    LoadedSample kick;
    kick.sampleRate = sampleRate;
    kick.buffer.setSize (1, numSamples);

    for (int i = 0; i < numSamples; ++i)
        kick.buffer.setSample (0, i, (float) i / (float) numSamples);

    return kick;
}

struct VoiceRig
{
    VoiceRig (LoadedSample k, double outputRate)
        : kick (std::move (k))
    {
        voice.prepare (outputRate);
        voice.sample = &kick;
    }

    /** Renders numSamples into a fresh cleared buffer of the given channel count. */
    juce::AudioBuffer<float> render (int numSamples, int numChannels = 2)
    {
        juce::AudioBuffer<float> out (numChannels, numSamples);
        out.clear();
        voice.renderNextBlock (out, 0, numSamples);
        return out;
    }

    LoadedSample kick;
    KickVoice voice;
};

int countNonZero (const juce::AudioBuffer<float>& buffer, int channel)
{
    int count = 0;

    for (int i = 0; i < buffer.getNumSamples(); ++i)
        count += buffer.getSample (channel, i) != 0.0f ? 1 : 0;

    return count;
}
} // namespace

//==============================================================================
TEST (KickVoice, StartsAtTheExactSampleOfTheTriggerAndAddsIntoTheBuffer)
{
    VoiceRig rig (makeRampKick (1000, 48000.0), 48000.0);
    juce::AudioBuffer<float> out (2, 512);

    for (int c = 0; c < 2; ++c)
        juce::FloatVectorOperations::fill (out.getWritePointer (c), 0.25f, 512);

    rig.voice.renderNextBlock (out, 0, 100); // idle: nothing added
    rig.voice.trigger (1.0f);
    rig.voice.renderNextBlock (out, 100, 412);

    for (int i = 0; i < 100; ++i)
        ASSERT_EQ (out.getSample (0, i), 0.25f) << i;

    for (int i = 100; i < 512; ++i)
    {
        const auto expected = 0.25f + (float) (i - 100) / 1000.0f;
        ASSERT_FLOAT_EQ (out.getSample (0, i), expected) << i;
        ASSERT_FLOAT_EQ (out.getSample (1, i), expected) << i;
    }
}

TEST (KickVoice, PlaysOnceAtTheSpeedOfKickRateOutputRateAndPitch)
{
    struct Case
    {
        double kickRate, outputRate, pitchRatio;
        double expectedStep;
        int expectedOutputSamples; // ceil (1000 / step)
    };

    const Case cases[] = {
        { 48000.0, 48000.0, 1.0, 1.0, 1000 },
        { 44100.0, 48000.0, 1.0, 0.91875, 1089 },
        { 44100.0, 48000.0, 2.0, 1.8375, 545 }, // TUNE +12: half the time
        { 48000.0, 48000.0, 0.5, 0.5, 2000 }, // TUNE -12: twice the time
        { 96000.0, 48000.0, 1.0, 2.0, 500 },
    };

    for (const auto& c : cases)
    {
        VoiceRig rig (makeConstantKick (1000, c.kickRate), c.outputRate);
        rig.voice.pitchRatio = c.pitchRatio;
        rig.voice.trigger (1.0f);
        EXPECT_DOUBLE_EQ (rig.voice.sourceStep * rig.voice.pitchRatio, c.expectedStep);

        const auto out = rig.render (3000);
        EXPECT_EQ (countNonZero (out, 0), c.expectedOutputSamples) << "step " << c.expectedStep;
        EXPECT_EQ (out.getSample (0, c.expectedOutputSamples - 1), 1.0f);
        EXPECT_FALSE (rig.voice.playing) << "the kick ends by itself";

        // Once it has ended, further blocks add nothing.
        EXPECT_EQ (countNonZero (rig.render (512), 0), 0);
    }
}

TEST (KickVoice, InterpolatesBetweenSamplesAndNeverReadsPastTheEnd)
{
    VoiceRig rig (makeRampKick (4, 44100.0), 44100.0); // samples 0, 0.25, 0.5, 0.75
    auto& voice = rig.voice;

    struct Case
    {
        double position;
        float expected;
    };

    const Case cases[] = {
        { 0.0, 0.0f },
        { 0.5, 0.125f },
        { 2.25, 0.5625f },
        { 3.0, 0.75f }, // the last sample itself
        { 3.5, 0.75f }, // between the last sample and the end: no read past it
        { 4.0, 0.0f }, // the end
        { -0.5, 0.0f }, // before the start
        { 1.0e300, 0.0f },
        { std::numeric_limits<double>::quiet_NaN(), 0.0f },
    };

    for (const auto& c : cases)
        EXPECT_FLOAT_EQ (voice.getInterpolatedSample (0, c.position), c.expected) << "position " << c.position;

    EXPECT_FLOAT_EQ (voice.getInterpolatedSample (5, 1.0), 0.25f) << "a channel beyond the kick's reads its last one";

    voice.sample = nullptr;
    EXPECT_EQ (voice.getInterpolatedSample (0, 1.0), 0.0f);
}

TEST (KickVoice, MapsKickChannelsOntoTheOutputChannels)
{
    struct Case
    {
        int kickChannels, outputChannels;
        float expectedLeft, expectedRight; // NaN: the output has no such channel
    };

    constexpr auto none = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        { 1, 2, 1.0f, 1.0f }, // mono kick on both outputs
        { 2, 2, 1.0f, 2.0f },
        { 4, 2, 1.0f, 2.0f }, // channels 2 and 3 of the kick are ignored
        { 2, 1, 1.0f, none }, // mono output: channel 0 only
        { 2, 3, 1.0f, 2.0f }, // channel 2 of the output stays silent
        { 1, 0, none, none }, // no output channel: nothing to write, no crash
    };

    for (const auto& c : cases)
    {
        VoiceRig rig (makeConstantKick (100, 44100.0, c.kickChannels), 44100.0);
        rig.voice.trigger (1.0f);
        const auto out = rig.render (10, c.outputChannels);

        if (c.outputChannels >= 1)
        {
            EXPECT_EQ (out.getSample (0, 5), c.expectedLeft);
        }

        if (c.outputChannels >= 2)
        {
            EXPECT_EQ (out.getSample (1, 5), c.expectedRight);
        }

        if (c.outputChannels >= 3)
        {
            EXPECT_EQ (countNonZero (out, 2), 0);
        }

        EXPECT_DOUBLE_EQ (rig.voice.position, 10.0) << "the voice runs on whatever it writes";
    }
}

TEST (KickVoice, ClampsTheVelocity)
{
    const std::pair<float, float> cases[] = {
        { 0.5f, 0.5f }, { 1.5f, 1.0f }, { -0.1f, 0.0f }, { std::numeric_limits<float>::quiet_NaN(), 0.0f }
    };

    for (const auto& [velocity, expected] : cases)
    {
        VoiceRig rig (makeConstantKick (100, 44100.0), 44100.0);
        rig.voice.trigger (velocity);
        EXPECT_EQ (rig.render (10).getSample (0, 3), expected) << "velocity " << velocity;
    }
}

//==============================================================================
class KickVoiceRetrigger : public ::testing::Test
{
protected:
    static constexpr double rate = 48000.0;
    static constexpr int fadeSamples = 144; // 3 ms at 48 kHz

    VoiceRig rig { makeConstantKick (48000, rate), rate };

    void SetUp() override
    {
        rig.voice.trigger (1.0f);
        rig.render (1000);
    }
};

TEST_F (KickVoiceRetrigger, FadesOutOverThreeMillisecondsRestartsAndFadesIn)
{
    rig.voice.trigger (0.5f);
    const auto out = rig.render (2 * fadeSamples + 100);

    // Fade-out: a straight line from 1 down to 0 over 144 samples of the old sound.
    for (int i = 0; i < fadeSamples - 1; ++i)
        ASSERT_NEAR (out.getSample (0, i), 1.0f - (float) (i + 1) / fadeSamples, 1.0e-5f) << i;

    // The restart sample itself is silent, then the new run fades in at its own velocity.
    const auto restart = fadeSamples - 1 + (out.getSample (0, fadeSamples - 1) > 1.0e-6f ? 1 : 0);
    EXPECT_NEAR (out.getSample (0, restart), 0.0f, 1.0e-6f);

    for (int i = 1; i < fadeSamples - 1; ++i)
        ASSERT_NEAR (out.getSample (0, restart + i), 0.5f * (float) i / fadeSamples, 1.0e-5f) << i;

    for (int i = restart + fadeSamples + 1; i < out.getNumSamples(); ++i)
        ASSERT_EQ (out.getSample (0, i), 0.5f) << i;

    // The kick started again from its first sample at the restart.
    EXPECT_DOUBLE_EQ (rig.voice.position, (double) (out.getNumSamples() - restart));
    EXPECT_EQ (rig.voice.retriggerState, KickVoice::steady);
}

TEST_F (KickVoiceRetrigger, TwoTriggersInOneFadeOutRestartOnceAtTheLaterVelocity)
{
    rig.voice.trigger (0.3f);
    auto first = rig.render (50);
    rig.voice.trigger (0.8f);
    auto rest = rig.render (2 * fadeSamples + 100);

    // The fade-out carries on from where it was instead of starting over.
    EXPECT_NEAR (rest.getSample (0, 0), 1.0f - 51.0f / fadeSamples, 1.0e-5f);
    EXPECT_NEAR (first.getSample (0, 49), 1.0f - 50.0f / fadeSamples, 1.0e-5f);
    EXPECT_EQ (rest.getSample (0, rest.getNumSamples() - 1), 0.8f);
    EXPECT_NEAR (rig.voice.position, (double) (50 + rest.getNumSamples() - fadeSamples), 1.0);
}

TEST_F (KickVoiceRetrigger, ATriggerDuringTheFadeInFadesOutFromTheCurrentLevel)
{
    rig.voice.trigger (1.0f);
    rig.render (fadeSamples + 20); // restarted, now 20 samples into the fade-in
    const auto level = rig.voice.fade;
    ASSERT_EQ (rig.voice.retriggerState, KickVoice::fadingIn);

    rig.voice.trigger (1.0f);
    const auto out = rig.render (5);
    EXPECT_EQ (rig.voice.retriggerState, KickVoice::fadingOut);
    EXPECT_NEAR (out.getSample (0, 4), level - 5.0f / fadeSamples, 1.0e-5f);
}

TEST_F (KickVoiceRetrigger, StopSilencesAtOnceAndDropsAPendingRestart)
{
    rig.voice.trigger (0.5f); // fading out towards a restart
    rig.render (10);
    rig.voice.stop();

    EXPECT_FALSE (rig.voice.playing);
    EXPECT_EQ (rig.voice.fade, 1.0f);
    EXPECT_EQ (countNonZero (rig.render (1000), 0), 0);

    // The next trigger finds an idle voice and starts at once, at full fade.
    rig.voice.trigger (0.7f);
    EXPECT_EQ (rig.render (1).getSample (0, 0), 0.7f);
}

//==============================================================================
TEST (KickVoice, RendersNothingWithoutAKickOrOutsideTheBuffer)
{
    KickVoice voice;
    voice.prepare (44100.0);
    juce::AudioBuffer<float> out (2, 64);
    out.clear();

    voice.trigger (1.0f); // no kick at all
    voice.renderNextBlock (out, 0, 64);
    EXPECT_EQ (out.getMagnitude (0, 64), 0.0f);

    LoadedSample empty;
    voice.sample = &empty;
    voice.renderNextBlock (out, 0, 64);
    EXPECT_EQ (out.getMagnitude (0, 64), 0.0f);

    auto kick = makeConstantKick (100, 44100.0);
    voice.sample = &kick;
    voice.stop();
    voice.trigger (1.0f);
    voice.renderNextBlock (out, 60, 100); // runs past the end of out: clipped to it
    voice.renderNextBlock (out, 64, 10);
    voice.renderNextBlock (out, -5, 10);
    EXPECT_EQ (out.getMagnitude (0, 60), 0.0f);
    EXPECT_EQ (out.getMagnitude (60, 4), 1.0f);
}

TEST (KickVoice, PrepareReturnsToIdleAndSetsTheFadeAndSmoothingSteps)
{
    const std::pair<double, double> rates[] = { { 48000.0, 48000.0 }, { 0.0, 44100.0 }, { -1.0, 44100.0 }, { 100.0, 100.0 } };

    for (const auto& [given, expected] : rates)
    {
        VoiceRig rig (makeConstantKick (100, 44100.0), 44100.0);
        rig.voice.trigger (1.0f);
        rig.voice.trigger (0.5f);
        rig.render (10);
        rig.voice.prepare (given);

        EXPECT_FALSE (rig.voice.playing);
        EXPECT_EQ (rig.voice.retriggerState, KickVoice::steady);
        EXPECT_EQ (rig.voice.outputSampleRate, expected);
        EXPECT_FLOAT_EQ (rig.voice.fadeStep, (float) (1.0 / std::max (0.003 * expected, 1.0)));
        EXPECT_FLOAT_EQ (rig.voice.lengthGainCoefficient,
                         std::max ((float) (1.0 - std::exp (-1.0 / std::max (0.002 * expected, 1.0))), 0.0001f));
        EXPECT_EQ (rig.voice.sample, &rig.kick) << "prepare keeps the kick";
    }
}

TEST (KickVoice, DoesNotAllocateWhileItPlays)
{
    VoiceRig rig (makeConstantKick (20000, 44100.0, 2), 48000.0);
    juce::AudioBuffer<float> out (2, 512);
    out.clear();

    zobtest::AllocationCheck check;

    for (int block = 0; block < 50; ++block)
    {
        rig.voice.setLengthPosition ((float) block / 50.0f);
        rig.voice.pitchRatio = std::pow (2.0, (block % 7 - 3) / 12.0);

        if (block % 5 == 0)
            rig.voice.trigger (0.9f);

        rig.voice.renderNextBlock (out, 0, 256);

        if (block == 40)
            rig.voice.stop();

        rig.voice.renderNextBlock (out, 256, 256);
    }

    EXPECT_EQ (check.count(), 0u);
}

//==============================================================================
TEST (LengthCurve, MapsPositionsToStageValues)
{
    struct Case
    {
        float position;
        double stageValue;
        double tolerance;
    };

    const Case cases[] = {
        { -0.5f, 0.136, 1.0e-12 },
        { 0.0f, 0.136, 1.0e-12 },
        { 0.25f, 0.38058, 1.0e-5 },
        { 0.5f, 1.0650, 1.0e-4 },
        { 0.75f, 2.9803, 1.0e-4 },
        { 0.92f, 6.0, 1.0e-5 },
        { 0.95f, 9.6, 1.0e-4 },
        { 0.99f, 48.0, 0.01 },
        { 1.0f, 60000.0, 1.0e-6 },
        { 2.0f, 60000.0, 1.0e-6 },
        { std::numeric_limits<float>::quiet_NaN(), 0.136, 1.0e-12 },
    };

    for (const auto& c : cases)
        EXPECT_NEAR (lengthToStageValue (c.position), c.stageValue, c.tolerance) << "position " << c.position;
}

TEST (LengthCurve, InverseReturnsThePositionItCameFrom)
{
    for (int step = 0; step <= 999; ++step)
    {
        const auto position = (float) step / 1000.0f;
        EXPECT_NEAR (stageValueToLength (lengthToStageValue (position)), position, 2.0e-7f) << "position " << position;
    }
}

TEST (LengthCurve, InverseStaysInsideTheEnvelopesRange)
{
    struct Case
    {
        double stageValue;
        float expected;
    };

    const Case cases[] = {
        { 60000.0, (float) 0.9993999766349793 },
        { 1.0e30, (float) 0.9993999766349793 }, // never reaches the off threshold
        { 6.0, 0.92f },
        { 7.0 / 13.0, 0.3343077f },
        { 0.136, 0.0f },
        { 0.01, 0.0f },
        { 0.0, 0.0f },
        { -3.0, 0.0f },
        { std::numeric_limits<double>::quiet_NaN(), 0.0f },
    };

    for (const auto& c : cases)
        EXPECT_FLOAT_EQ (stageValueToLength (c.stageValue), c.expected) << "stage value " << c.stageValue;

    EXPECT_LT (stageValueToLength (1.0e30), 0.9995f); // the envelope stays on
}

//==============================================================================
TEST (LengthEnvelope, HoldsTheAttackThenFallsToExactlyZero)
{
    // LENGTH 0 on a one-second kick at 44.1 kHz: hold 18 ms (793.8 samples), then a decay of
    // 0.136 x (44100 - 793.8) = 5889.64 samples.
    KickVoice::LengthEnvelope envelope;
    envelope.length = 0.0f;
    envelope.stageValue = lengthToStageValue (0.0f);
    constexpr double hold = 793.8, decay = 0.136 * (44100.0 - hold);

    struct Case
    {
        double position;
        float expected;
        float tolerance;
    };

    const Case cases[] = {
        { 0.0, 1.0f, 0.0f },
        { hold, 1.0f, 0.0f },
        { hold + 0.5 * decay, 0.0593509f, 1.0e-6f }, // half way: (-24 dB - floor) x scale
        { hold + decay, 0.0f, 0.0f },
        { 40000.0, 0.0f, 0.0f },
    };

    for (const auto& c : cases)
        EXPECT_NEAR (envelope.getGain (c.position, 44100, 44100.0), c.expected, c.tolerance) << "position " << c.position;

    EXPECT_GT (envelope.getGain (hold + 1.0, 44100, 44100.0), 0.9999f);
    EXPECT_GT (envelope.getGain (hold + decay - 1.0, 44100, 44100.0), 0.0f);

    auto previous = 1.0f;

    for (double position = 0.0; position < 8000.0; position += 7.0)
    {
        const auto gain = envelope.getGain (position, 44100, 44100.0);
        ASSERT_LE (gain, previous) << position;
        previous = gain;
    }
}

TEST (LengthEnvelope, IsOffFromTheThresholdOnAndKeepsShortKicksAtLeastFiveMilliseconds)
{
    KickVoice voice;

    for (const auto position : { 1.0f, 0.9995f })
    {
        voice.setLengthPosition (position);

        for (double readPosition = 0.0; readPosition < 44100.0; readPosition += 441.0)
            ASSERT_EQ (voice.lengthEnvelope.getGain (readPosition, 44100, 44100.0), 1.0f) << position;
    }

    EXPECT_LT (voice.setLengthPosition (0.9994f), 60000.0);
    EXPECT_LT (voice.lengthEnvelope.getGain (44000.0, 44100, 44100.0), 1.0f);

    // A 100-sample kick: a quarter (25 samples) is held, the decay lasts the 5 ms floor (220.5).
    voice.setLengthPosition (0.0f);
    EXPECT_EQ (voice.lengthEnvelope.getGain (25.0, 100, 44100.0), 1.0f);
    EXPECT_LT (voice.lengthEnvelope.getGain (26.0, 100, 44100.0), 1.0f);
    EXPECT_GT (voice.lengthEnvelope.getGain (245.0, 100, 44100.0), 0.0f);
    EXPECT_EQ (voice.lengthEnvelope.getGain (245.5, 100, 44100.0), 0.0f);
    EXPECT_EQ (voice.lengthEnvelope.getGain (10.0, 0, 44100.0), 1.0f) << "an empty kick has no envelope";
}

TEST (LengthEnvelope, SetLengthPositionClampsAndReturnsTheStageValue)
{
    KickVoice voice;
    EXPECT_EQ (voice.lengthEnvelope.length, 1.0f);
    EXPECT_EQ (voice.lengthEnvelope.stageValue, 60000.0);

    EXPECT_DOUBLE_EQ (voice.setLengthPosition (-2.0f), 0.136);
    EXPECT_EQ (voice.lengthEnvelope.length, 0.0f);
    EXPECT_DOUBLE_EQ (voice.setLengthPosition (0.5f), lengthToStageValue (0.5f));
    EXPECT_EQ (voice.lengthEnvelope.stageValue, lengthToStageValue (0.5f));
    EXPECT_DOUBLE_EQ (voice.setLengthPosition (3.0f), 60000.0);
    EXPECT_EQ (voice.lengthEnvelope.length, 1.0f);
}

TEST (LengthEnvelope, ShortensThePlayingKickWithTwoMillisecondSmoothing)
{
    VoiceRig rig (makeConstantKick (44100, 44100.0), 44100.0);
    rig.voice.setLengthPosition (0.0f);
    rig.voice.trigger (1.0f);
    const auto out = rig.render (44100);

    EXPECT_EQ (out.getSample (0, 0), 1.0f) << "the smoothed gain starts at the envelope's own value";
    EXPECT_EQ (out.getSample (0, 793), 1.0f);
    EXPECT_LT (out.getSample (0, 3000), 0.9f);

    // The smoothing lags the envelope: above it while it falls, a decaying tail after it ends.
    EXPECT_GT (out.getSample (0, 3739), rig.voice.lengthEnvelope.getGain (3739.0, 44100, 44100.0));
    EXPECT_GT (out.getSample (0, 6690), 0.0f);
    EXPECT_LT (out.getSample (0, 6684 + 882), 1.0e-4f); // 20 ms after the envelope's end

    // At a full LENGTH the kick rings at full level to its end.
    VoiceRig full (makeConstantKick (44100, 44100.0), 44100.0);
    full.voice.trigger (1.0f);
    EXPECT_EQ (full.render (44100).getSample (0, 44099), 1.0f);
}
