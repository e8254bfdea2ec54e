// The voice and the three stages work through whole blocks at a time for speed. These tests
// hold them to the plain sample-by-sample form of the same arithmetic (PlainChain.h) on
// realistic kicks: retriggers, stops, LENGTH, TUNE and amounts moving between blocks, odd
// block sizes, mono to three-channel buffers. The output is bit-identical, PUNCH apart,
// whose tanh is a vector function of its own (engine/VectorMath.h).

#include "PlainChain.h"
#include "engine/ApproximatelyEqual.h"
#include "engine/EffectStages.h"
#include "engine/KickVoice.h"
#include "engine/LengthCurve.h"
#include "engine/PunchStage.h"
#include "engine/ToneStage.h"
#include "engine/TransientStage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace
{
/** A kick a producer might load: a falling sine sweep onto its settled pitch, a click, a
    burst of noise and some saturation; the channels differ slightly. */
LoadedSample makeKick (double rate, double seconds, int numChannels, double settledHz, float drive, int seed)
{
    LoadedSample kick;
    kick.sampleRate = rate;
    kick.buffer.setSize (numChannels, (int) (rate * seconds));
    juce::Random random (seed);

    for (int c = 0; c < numChannels; ++c)
    {
        double phase = 0.1 * c;

        for (int i = 0; i < kick.buffer.getNumSamples(); ++i)
        {
            const auto t = i / rate;
            phase += juce::MathConstants<double>::twoPi * (settledHz + 220.0 * std::exp (-t * 35.0)) / rate;
            const auto body = std::exp (-t * 5.0) * std::sin (phase);
            const auto click = t < 0.001 ? 0.5 * (1.0 - t / 0.001) : 0.0;
            const auto noise = t < 0.006 ? 0.3 * (random.nextDouble() * 2.0 - 1.0) * (1.0 - t / 0.006) : 0.0;
            kick.buffer.setSample (c, i, (float) ((0.95 - 0.05 * c) * std::tanh (drive * (body + click + noise)) / std::tanh (drive)));
        }
    }

    return kick;
}

bool sameBits (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    for (int c = 0; c < a.getNumChannels(); ++c)
        if (std::memcmp (a.getReadPointer (c), b.getReadPointer (c), sizeof (float) * (size_t) a.getNumSamples()) != 0)
            return false;

    return true;
}

/** The first sample where two buffers differ, for the failure message. */
juce::String firstDifference (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    for (int c = 0; c < a.getNumChannels(); ++c)
        for (int i = 0; i < a.getNumSamples(); ++i)
            if (std::memcmp (a.getReadPointer (c, i), b.getReadPointer (c, i), sizeof (float)) != 0)
                return "channel " + juce::String (c) + " sample " + juce::String (i) + ": " + juce::String (a.getSample (c, i), 9)
                       + " instead of " + juce::String (b.getSample (c, i), 9);

    return {};
}

/** Whether PUNCH's output matches the plain form's up to their tanh, which is not the same
    function (each is within 2.2 ulp of the exact value), and the rounding of the blend that
    follows it, which grows with the input. */
::testing::AssertionResult sameUpToTanh (const juce::AudioBuffer<float>& shaped,
                                         const juce::AudioBuffer<float>& expected,
                                         const juce::AudioBuffer<float>& input)
{
    for (int c = 0; c < shaped.getNumChannels(); ++c)
    {
        for (int i = 0; i < shaped.getNumSamples(); ++i)
        {
            const auto y = shaped.getSample (c, i), plainY = expected.getSample (c, i);

            if (y == plainY || (std::isnan (y) && std::isnan (plainY)))
                continue;

            if (! (std::abs (y - plainY) <= 6.0e-7f * std::max (1.0f, std::abs (input.getSample (c, i)))))
                return ::testing::AssertionFailure() << "channel " << c << " sample " << i << ": " << y << " instead of " << plainY;
        }
    }

    return ::testing::AssertionSuccess();
}

/** Block sizes as hosts deliver them, plus the compare fade's 8-sample steps and single samples. */
int nextBlockSize (juce::Random& random)
{
    const int sizes[] = { 1, 8, 8, 64, 128, 333, 512, 1024 };
    return random.nextInt (4) == 0 ? 1 + random.nextInt (700) : sizes[random.nextInt ((int) std::size (sizes))];
}
} // namespace

//==============================================================================
TEST (SampleBySample, VoiceMatchesThePlainFormOnRealisticKicks)
{
    struct Case
    {
        const char* name;
        double kickRate, outputRate;
        double seconds;
        int kickChannels, outputChannels;
        float drive;
    };

    const Case cases[] = {
        { "stereo 44.1 kHz kick at 48 kHz", 44100.0, 48000.0, 1.0, 2, 2, 1.5f },
        { "mono 48 kHz kick at 44.1 kHz", 48000.0, 44100.0, 0.4, 1, 2, 3.0f },
        { "three-channel 96 kHz kick at 48 kHz", 96000.0, 48000.0, 0.6, 3, 2, 1.0f },
        { "stereo kick into a mono output", 44100.0, 96000.0, 0.5, 2, 1, 2.0f },
        { "short kick, three output channels", 44100.0, 44100.0, 0.05, 2, 3, 4.0f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto kick = makeKick (c.kickRate, c.seconds, c.kickChannels, 45.0 + 10.0 * c.kickChannels, c.drive, 3);

        KickVoice voice;
        voice.prepare (c.outputRate);
        voice.sample = &kick;

        plain::Voice reference;
        reference.kick = &kick;
        reference.prepare (c.outputRate);

        juce::Random random (17);
        const float lengths[] = { 1.0f, 0.5f, 0.0f, 0.3f, 0.95f, 0.9995f, 0.75f };
        const double tunes[] = { 3.0, 0.0, -7.0, 12.0, -24.0, 0.5 };

        for (int block = 0; block < 1500; ++block)
        {
            if (block % 40 == 0)
            {
                const auto length = lengths[(block / 40) % (int) std::size (lengths)];
                voice.setLengthPosition (length);
                reference.setLength (length);
            }

            if (block % 55 == 0)
                voice.pitchRatio = reference.pitchRatio = std::exp2 (tunes[(block / 55) % (int) std::size (tunes)] / 12.0);

            const auto size = nextBlockSize (random);
            juce::AudioBuffer<float> out (c.outputChannels, size), expected (c.outputChannels, size);

            // Something already in the buffer: the voice adds into it.
            for (int ch = 0; ch < c.outputChannels; ++ch)
                for (int i = 0; i < size; ++i)
                    out.setSample (ch, i, 0.01f * (float) ((i + ch) % 5));

            expected.makeCopyOf (out);

            // Events at random places in the block: mostly note-ons (some in quick succession,
            // inside the retrigger fades), now and then a stop.
            auto position = 0;

            while (position < size)
            {
                const auto gap = random.nextInt (4) == 0 ? random.nextInt (200) : 2000 + random.nextInt (30000);
                const auto until = std::min (size, position + gap);
                voice.renderNextBlock (out, position, until - position);
                reference.render (expected, position, until - position);
                position = until;

                if (position < size)
                {
                    if (random.nextInt (12) == 0)
                    {
                        voice.stop();
                        reference.stop();
                    }
                    else
                    {
                        const auto velocity = random.nextFloat() * 1.2f;
                        voice.trigger (velocity);
                        reference.trigger (velocity);
                    }
                }
            }

            ASSERT_TRUE (sameBits (out, expected)) << "block " << block << ", " << firstDifference (out, expected);
        }

        EXPECT_EQ (voice.position, reference.position);
        EXPECT_EQ (voice.lengthGain, reference.lengthGain);
    }
}

TEST (SampleBySample, StagesMatchThePlainFormOnRealisticKicks)
{
    // The kicks the stages shape come from the plain voice: retriggered, shortened, tuned and
    // followed by silence, in which the filters and followers ring down to the smallest
    // values; with denormals flushed (as in the audio block) and without (the offline render).
    constexpr double rate = 48000.0;
    const auto kick = makeKick (44100.0, 0.8, 2, 50.0, 2.0f, 9);

    struct Case
    {
        int numChannels;
        bool flushDenormals;
    };

    for (const auto c : { Case { 2, true }, Case { 2, false }, Case { 1, true }, Case { 3, false } })
    {
        SCOPED_TRACE (juce::String (c.numChannels) + " channels" + (c.flushDenormals ? ", denormals flushed" : ""));
        std::optional<juce::ScopedNoDenormals> noDenormals;

        if (c.flushDenormals)
            noDenormals.emplace();

        TransientStage transient;
        PunchStage punch;
        ToneStage tone;
        prepareEffectStages (rate, transient, punch, tone);

        plain::Transient plainTransient;
        plain::Punch plainPunch;
        plain::Tone plainTone;
        plainTransient.prepare (rate);
        plainPunch.prepare (rate);
        plainTone.prepare (rate);

        plain::Voice source;
        source.kick = &kick;
        source.prepare (rate);

        juce::Random random (23 + c.numChannels);
        const float lengths[] = { 0.5f, 0.05f, 0.2f, 0.9f, 1.0f };
        float transientAmount = 0.7f, punchAmount = 0.75f, toneAmount = 0.5f;
        auto untilNote = 0;

        for (int block = 0; block < 2000; ++block)
        {
            // Filters fed a non-number (block 700) stay that way until their stage is bypassed.
            if (block == 701)
                transientAmount = punchAmount = toneAmount = 0.0f;

            // Amounts move now and then, into and out of the bypasses, and during the compare
            // fade every 8 samples.
            if (random.nextInt (30) == 0)
                transientAmount = random.nextInt (4) == 0 ? 0.0f : random.nextFloat();

            if (random.nextInt (30) == 0)
                punchAmount = random.nextInt (4) == 0 ? 0.0f : random.nextFloat();

            if (random.nextInt (30) == 0)
                toneAmount = random.nextInt (4) == 0 ? 0.0f : random.nextFloat() * 2.0f - 1.0f;

            const auto size = nextBlockSize (random);
            const auto wet = size == 8 ? (float) random.nextInt (11) / 10.0f : 1.0f;

            juce::AudioBuffer<float> input (c.numChannels, size);
            input.clear();

            if (untilNote <= 0)
            {
                source.setLength (lengths[random.nextInt ((int) std::size (lengths))]);
                source.pitchRatio = std::exp2 ((random.nextInt (25) - 12) / 12.0);
                source.trigger (0.5f + random.nextFloat() * 0.5f);
                untilNote = 4000 + random.nextInt (80000);
            }

            source.render (input, 0, size);
            untilNote -= size;

            // Now and then far too loud, and once a block that is not a number at all.
            if (block % 97 == 50)
                input.applyGain (8.0f);

            if (block == 700)
                input.setSample (0, size / 2, std::numeric_limits<float>::infinity());

            auto shaped = input, expected = input;
            transient.amount = plainTransient.amount = std::clamp (transientAmount * wet, 0.0f, 1.0f);
            punch.amount = plainPunch.amount = std::clamp (punchAmount * wet, 0.0f, 1.0f);
            tone.tone = plainTone.tone = std::clamp (toneAmount * wet, -1.0f, 1.0f);

            transient.process (shaped);
            plainTransient.process (expected);
            ASSERT_TRUE (sameBits (shaped, expected)) << "TRANSIENT, block " << block << ", " << firstDifference (shaped, expected);

            const auto beforePunch = shaped;
            punch.process (shaped);
            plainPunch.process (expected);
            ASSERT_TRUE (sameUpToTanh (shaped, expected, beforePunch)) << "PUNCH, block " << block;

            // TONE gets the same input in both forms.
            expected.makeCopyOf (shaped);

            tone.process (shaped);
            plainTone.process (expected);
            ASSERT_TRUE (sameBits (shaped, expected)) << "TONE, block " << block << ", " << firstDifference (shaped, expected);
        }
    }
}
