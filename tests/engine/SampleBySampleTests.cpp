// The voice and the three stages work through whole blocks at a time for speed. These tests
// hold them to the plain sample-by-sample form of the same arithmetic, written out here as
// directly as possible (JUCE's own filters with processSample, std::tanh, one sample after
// the other), and demand bit-identical output on realistic kicks: retriggers, stops, LENGTH,
// TUNE and amounts moving between blocks, odd block sizes, mono to three-channel buffers.

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
namespace plain
{
    float lengthEnvelope (float length, double stageValue, double position, int numSamples, double sampleRate)
    {
        if (length >= 0.9995f || numSamples <= 0)
            return 1.0f;

        const double hold = std::min (0.25 * numSamples, 0.018 * sampleRate);

        if (position <= hold)
            return 1.0f;

        const double decay = std::max (std::max (numSamples - hold, 1.0) * stageValue, 0.005 * sampleRate);
        const double t = (position - hold) / decay;

        if (t >= 1.0)
            return 0.0f;

        if (t <= 0.0)
            return 1.0f;

        const double s = t * t * (3.0 - 2.0 * t);
        return (float) std::max ((std::exp2 (-7.97262742772967 * s) - 0.003981071705534972) * 1.0039969839853866, 0.0);
    }

    struct Voice
    {
        void prepare (double rate)
        {
            outputRate = rate;
            playing = false;
            position = 0.0;
            sourceStep = 1.0;
            velocity = 1.0f;
            state = 0;
            fade = 1.0f;
            fadeStep = (float) (1.0 / std::max (0.003 * rate, 1.0));
            smoothing = (float) std::clamp (1.0 - std::exp (-1.0 / std::max (0.002 * rate, 1.0)), 0.0001, 1.0);
        }

        int kickLength() const { return kick->buffer.getNumSamples(); }

        float envelope (double at) const { return lengthEnvelope (length, stageValue, at, kickLength(), kick->sampleRate); }

        void start (float v)
        {
            playing = true;
            position = 0.0;
            velocity = std::clamp (v, 0.0f, 1.0f);
            sourceStep = kick->sampleRate / outputRate;
            lengthGain = envelope (0.0);
        }

        void trigger (float v)
        {
            if (state != 0 || playing)
            {
                pendingVelocity = v;
                state = 1;
                return;
            }

            start (v);
            fade = 1.0f;
            state = 0;
        }

        void stop()
        {
            state = 0;
            fade = 1.0f;
            playing = false;
        }

        void setLength (float x)
        {
            length = std::clamp (x, 0.0f, 1.0f);
            stageValue = lengthToStageValue (length);
        }

        float read (int channel, double at) const
        {
            const auto i = (int) at;

            if (at < 0.0 || i >= kickLength())
                return 0.0f;

            const auto* s = kick->buffer.getReadPointer (std::min (channel, kick->buffer.getNumChannels() - 1));
            const auto j = std::min (i + 1, kickLength() - 1);
            return s[i] + (s[j] - s[i]) * (float) (at - i);
        }

        void render (juce::AudioBuffer<float>& out, int startSample, int numSamples)
        {
            if (state == 0 && ! playing)
                return;

            for (int i = 0; i < numSamples; ++i)
            {
                if (state == 1)
                {
                    fade -= fadeStep;

                    if (fade <= 0.0f)
                    {
                        fade = 0.0f;
                        start (pendingVelocity);
                        state = 2;
                    }
                }
                else if (state == 2)
                {
                    fade += fadeStep;

                    if (fade >= 1.0f)
                    {
                        fade = 1.0f;
                        state = 0;
                    }
                }
                else if ((int) position >= kickLength())
                {
                    playing = false;
                    return;
                }

                if ((int) position < kickLength())
                {
                    const auto left = read (0, position);
                    const auto right = kick->buffer.getNumChannels() < 2 ? left : read (1, position);
                    lengthGain += (envelope (position) - lengthGain) * smoothing;
                    const auto g = velocity * fade * lengthGain;

                    if (out.getNumChannels() >= 1)
                        out.getWritePointer (0)[startSample + i] += g * left;

                    if (out.getNumChannels() >= 2)
                        out.getWritePointer (1)[startSample + i] += g * right;
                }

                position += pitchRatio * sourceStep;
            }
        }

        const LoadedSample* kick = nullptr;
        double outputRate = 44100.0, position = 0.0, sourceStep = 1.0, pitchRatio = 1.0, stageValue = 60000.0;
        bool playing = false;
        int state = 0;
        float velocity = 1.0f, fade = 1.0f, fadeStep = 1.0f, pendingVelocity = 1.0f;
        float length = 1.0f, lengthGain = 1.0f, smoothing = 1.0f;
    };

    struct Transient
    {
        void prepare (double rate)
        {
            fastCoefficient = (float) std::exp (-1.0 / (rate * 0.004));
            slowCoefficient = (float) std::exp (-1.0 / (rate * 0.025));
            fast = slow = 0.0f;
        }

        void process (juce::AudioBuffer<float>& buffer)
        {
            for (int i = 0; i < buffer.getNumSamples(); ++i)
            {
                float p = 0.0f;

                for (int c = 0; c < buffer.getNumChannels(); ++c)
                    p = std::max (p, std::abs (buffer.getSample (c, i)));

                fast = fastCoefficient * fast + (1.0f - fastCoefficient) * (p * p);
                slow = slowCoefficient * slow + (1.0f - slowCoefficient) * (p * p);

                if (amount <= 0.0001f)
                    continue;

                if (! std::isfinite (fast) || ! std::isfinite (slow))
                    fast = slow = 0.0f;

                const auto a = std::sqrt (fast);
                const auto b = std::sqrt (slow);
                const auto rise = std::clamp (a / (b + 0.001f) - 1.0f, 0.0f, 2.0f);
                const auto presence = std::clamp (a / 0.01f, 0.0f, 1.0f);
                const auto gain = 1.0f + amount * 1.3f * rise * presence;

                for (int c = 0; c < buffer.getNumChannels(); ++c)
                    buffer.getWritePointer (c)[i] *= gain;
            }
        }

        float amount = 0.0f, fastCoefficient = 0.0f, slowCoefficient = 0.0f, fast = 0.0f, slow = 0.0f;
    };

    using Filter = juce::dsp::IIR::Filter<float>;
    using Shelves = juce::dsp::IIR::ArrayCoefficients<float>;

    void prepareUnityShelf (Filter& filter, double rate)
    {
        filter.coefficients = new juce::dsp::IIR::Coefficients<float> (Shelves::makeLowShelf (rate, 1000.0f, 0.707f, 1.0f));
        filter.reset();
    }

    struct Punch
    {
        void prepare (double r)
        {
            rate = r;

            for (auto& f : filters)
                prepareUnityShelf (f, rate);

            lastGainDb = std::numeric_limits<float>::quiet_NaN();
        }

        void process (juce::AudioBuffer<float>& buffer)
        {
            if (amount <= 0.0001f)
            {
                for (auto& f : filters)
                    f.reset();

                return;
            }

            const auto gainDb = 6.0f * amount;

            if (! zob::approximatelyEqual (gainDb, lastGainDb))
            {
                for (auto& f : filters)
                    *f.coefficients = Shelves::makeLowShelf (rate, 90.0f, 0.707f, std::pow (10.0f, gainDb * 0.05f));

                lastGainDb = gainDb;
            }

            for (int c = 0; c < std::min (buffer.getNumChannels(), 2); ++c)
            {
                for (int i = 0; i < buffer.getNumSamples(); ++i)
                {
                    const auto x = buffer.getSample (c, i);
                    const auto y = x + amount * (std::tanh (3.5f * filters[(size_t) c].processSample (x)) / std::tanh (3.5f) - x);
                    buffer.setSample (c, i, y);
                }
            }
        }

        double rate = 44100.0;
        float amount = 0.0f, lastGainDb = 0.0f;
        std::array<Filter, 2> filters;
    };

    struct Tone
    {
        void prepare (double r)
        {
            rate = r;

            for (size_t c = 0; c < 2; ++c)
            {
                prepareUnityShelf (low[c], rate);
                prepareUnityShelf (high[c], rate);
            }

            lastTone = std::numeric_limits<float>::quiet_NaN();
        }

        void process (juce::AudioBuffer<float>& buffer)
        {
            if (zob::approximatelyEqual (tone, 0.0f))
            {
                for (size_t c = 0; c < 2; ++c)
                {
                    low[c].reset();
                    high[c].reset();
                }

                return;
            }

            if (! zob::approximatelyEqual (tone, lastTone))
            {
                const auto gainDb = 6.0f * tone;

                for (size_t c = 0; c < 2; ++c)
                {
                    *low[c].coefficients = Shelves::makeLowShelf (rate, 700.0f, 0.707f, std::pow (10.0f, -gainDb * 0.05f));
                    *high[c].coefficients = Shelves::makeHighShelf (rate, 700.0f, 0.707f, std::pow (10.0f, gainDb * 0.05f));
                }

                lastTone = tone;
            }

            for (int c = 0; c < std::min (buffer.getNumChannels(), 2); ++c)
                for (int i = 0; i < buffer.getNumSamples(); ++i)
                    buffer.setSample (c, i, high[(size_t) c].processSample (low[(size_t) c].processSample (buffer.getSample (c, i))));
        }

        double rate = 44100.0;
        float tone = 0.0f, lastTone = 0.0f;
        std::array<Filter, 2> low, high;
    };
} // namespace plain

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

            punch.process (shaped);
            plainPunch.process (expected);
            ASSERT_TRUE (sameBits (shaped, expected)) << "PUNCH, block " << block << ", " << firstDifference (shaped, expected);

            tone.process (shaped);
            plainTone.process (expected);
            ASSERT_TRUE (sameBits (shaped, expected)) << "TONE, block " << block << ", " << firstDifference (shaped, expected);
        }
    }
}
