#include "engine/PunchStage.h"
#include "engine/ToneStage.h"
#include "engine/TransientStage.h"
#include "support/AllocationCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace
{
constexpr double rate = 44100.0;

juce::AudioBuffer<float> makeNoise (int numChannels, int numSamples, float level = 0.8f, int seed = 7)
{
    juce::Random random (seed);
    juce::AudioBuffer<float> buffer (numChannels, numSamples);

    for (int c = 0; c < numChannels; ++c)
        for (int i = 0; i < numSamples; ++i)
            buffer.setSample (c, i, level * (2.0f * random.nextFloat() - 1.0f));

    return buffer;
}

juce::AudioBuffer<float> makeSine (double frequency, float amplitude, int numSamples, int numChannels = 1)
{
    juce::AudioBuffer<float> buffer (numChannels, numSamples);

    for (int c = 0; c < numChannels; ++c)
        for (int i = 0; i < numSamples; ++i)
            buffer.setSample (c, i, amplitude * (float) std::sin (juce::MathConstants<double>::twoPi * frequency * i / rate));

    return buffer;
}

bool identical (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b, int channel)
{
    for (int i = 0; i < a.getNumSamples(); ++i)
        if (std::memcmp (a.getReadPointer (channel, i), b.getReadPointer (channel, i), sizeof (float)) != 0)
            return false;

    return true;
}

/** The distance from a float to the next one away from zero. */
float ulpOf (float x)
{
    return std::nextafter (std::abs (x), std::numeric_limits<float>::infinity()) - std::abs (x);
}

/** Level in dB of the settled second half of a one-second sine after processing. */
double settledLevelDb (const std::function<void (juce::AudioBuffer<float>&)>& process, double frequency, float amplitude)
{
    auto sine = makeSine (frequency, amplitude, (int) rate);
    process (sine);
    const auto half = sine.getNumSamples() / 2;
    return juce::Decibels::gainToDecibels ((double) sine.getMagnitude (0, half, half) / amplitude);
}

/** Each stage driven through one interface: set its amount (or tone), then process. */
struct AnyStage
{
    const char* name;
    std::function<void (double)> prepare;
    std::function<void (float)> setAmount;
    std::function<void (juce::AudioBuffer<float>&)> process;
};

struct Stages
{
    TransientStage transient;
    PunchStage punch;
    ToneStage tone;

    std::vector<AnyStage> all()
    {
        return {
            { "transient", [this] (double r)
              { transient.prepare (r); },
              [this] (float a)
              { transient.amount = a; },
              [this] (auto& b)
              { transient.process (b); } },
            { "punch", [this] (double r)
              { punch.prepare (r); },
              [this] (float a)
              { punch.amount = a; },
              [this] (auto& b)
              { punch.process (b); } },
            { "tone", [this] (double r)
              { tone.prepare (r); },
              [this] (float a)
              { tone.tone = a; },
              [this] (auto& b)
              { tone.process (b); } },
        };
    }
};
} // namespace

//==============================================================================
TEST (EffectStages, LeaveTheBufferBitIdenticalAtZero)
{
    Stages stages;

    for (auto& stage : stages.all())
    {
        stage.prepare (rate);
        const auto input = makeNoise (3, 2048);

        // Straight after prepare, and again after the stage has shaped something.
        for (const auto before : { 0.0f, 0.7f })
        {
            auto warmUp = makeNoise (3, 512, 0.8f, 3);
            stage.setAmount (before);
            stage.process (warmUp);

            auto buffer = input;
            stage.setAmount (0.0f);
            stage.process (buffer);

            for (int c = 0; c < 3; ++c)
                EXPECT_TRUE (identical (buffer, input, c)) << stage.name << " channel " << c << " after " << before;
        }
    }
}

TEST (EffectStages, PunchAndToneShapeOnlyTheFirstTwoChannels)
{
    Stages stages;

    for (auto& stage : stages.all())
    {
        stage.prepare (rate);
        stage.setAmount (0.8f);
        const auto input = makeNoise (3, 1024);
        auto buffer = input;
        stage.process (buffer);

        EXPECT_FALSE (identical (buffer, input, 0)) << stage.name;
        EXPECT_FALSE (identical (buffer, input, 1)) << stage.name;
        EXPECT_EQ (identical (buffer, input, 2), std::string (stage.name) != "transient") << stage.name;
    }
}

TEST (EffectStages, PrepareFallsBackTo44100AndAcceptsEmptyBuffers)
{
    Stages stages;

    for (auto& stage : stages.all())
    {
        stage.prepare (0.0);
        stage.setAmount (1.0f);

        juce::AudioBuffer<float> noChannels (0, 64), noSamples (2, 0);
        stage.process (noChannels);
        stage.process (noSamples);
    }

    EXPECT_EQ (stages.transient.sampleRate, 44100.0);
    EXPECT_EQ (stages.punch.sampleRate, 44100.0);
    EXPECT_EQ (stages.tone.sampleRate, 44100.0);
    EXPECT_FLOAT_EQ (stages.transient.fastCoefficient, (float) std::exp (-1.0 / (44100.0 * 0.004)));
    EXPECT_FLOAT_EQ (stages.transient.slowCoefficient, (float) std::exp (-1.0 / (44100.0 * 0.025)));
}

TEST (EffectStages, DoNotAllocateWhileProcessing)
{
    Stages stages;
    auto buffer = makeNoise (2, 256);
    auto all = stages.all();

    for (auto& stage : all)
        stage.prepare (48000.0);

    {
        // The very first block after prepare computes the shelves and runs the filters.
        zobtest::AllocationCheck check;

        for (auto& stage : all)
        {
            stage.setAmount (0.5f);
            stage.process (buffer);
        }

        EXPECT_EQ (check.count(), 0u);
    }

    zobtest::AllocationCheck check;

    // Every block a new amount, so the shelves are recomputed on every call; zero in between
    // resets the filters.
    for (int block = 0; block < 64; ++block)
    {
        const auto amount = block % 8 == 0 ? 0.0f : (float) block / 64.0f;

        for (auto& stage : all)
        {
            stage.setAmount (block % 2 == 0 ? amount : -amount);
            stage.process (buffer);
        }
    }

    EXPECT_EQ (check.count(), 0u);
}

//==============================================================================
TEST (TransientStage, PassesASteadyLevelUnchanged)
{
    TransientStage stage;
    stage.prepare (rate);
    stage.amount = 1.0f;

    juce::AudioBuffer<float> buffer (2, (int) rate);
    buffer.clear();

    for (int c = 0; c < 2; ++c)
        juce::FloatVectorOperations::fill (buffer.getWritePointer (c), c == 0 ? 0.5f : -0.25f, buffer.getNumSamples());

    stage.process (buffer); // the onset is lifted while the slow follower catches up
    EXPECT_GT (buffer.getSample (0, 10), 0.5f);

    for (int c = 0; c < 2; ++c)
        juce::FloatVectorOperations::fill (buffer.getWritePointer (c), c == 0 ? 0.5f : -0.25f, buffer.getNumSamples());

    stage.process (buffer);

    for (int i = 0; i < buffer.getNumSamples(); ++i)
    {
        ASSERT_EQ (buffer.getSample (0, i), 0.5f) << i;
        ASSERT_EQ (buffer.getSample (1, i), -0.25f) << i;
    }
}

TEST (TransientStage, LiftsAnOnsetByAtMostThreePointSixInProportionToTheAmount)
{
    // Silence, then a burst: the gain of each sample is output / input.
    auto makeBurst = [] (float level)
    {
        juce::AudioBuffer<float> buffer (1, 22050);
        buffer.clear();
        juce::FloatVectorOperations::fill (buffer.getWritePointer (0, 441), level, 22050 - 441);
        return buffer;
    };

    auto gainsAt = [&] (float amount, float level)
    {
        TransientStage stage;
        stage.prepare (rate);
        stage.amount = amount;
        auto buffer = makeBurst (level);
        stage.process (buffer);

        std::vector<float> gains;

        for (int i = 441; i < buffer.getNumSamples(); ++i)
            gains.push_back (buffer.getSample (0, i) / level);

        return gains;
    };

    const auto full = gainsAt (1.0f, 0.8f);
    const auto half = gainsAt (0.5f, 0.8f);
    const auto quiet = gainsAt (1.0f, 0.004f); // -48 dBFS: below the full lift's -40 dBFS

    const auto largest = *std::max_element (full.begin(), full.end());
    EXPECT_GT (largest, 2.5f);
    EXPECT_LE (largest, 3.6f);
    EXPECT_EQ (full.back(), 1.0f) << "the lift ends once the slow follower has caught up";

    for (size_t i = 0; i < full.size(); ++i)
        ASSERT_NEAR (full[i] - 1.0f, 2.0f * (half[i] - 1.0f), 1.0e-5f) << i;

    EXPECT_LE (*std::max_element (quiet.begin(), quiet.end()), 1.0f + 2.6f * 0.4f);
    EXPECT_GT (*std::max_element (quiet.begin(), quiet.end()), 1.0f);
}

TEST (TransientStage, FollowersKeepRunningWhileBypassed)
{
    TransientStage bypassed, active;
    bypassed.prepare (rate);
    active.prepare (rate);
    active.amount = 1.0f;

    auto a = makeNoise (2, 1000);
    auto b = a;
    bypassed.process (a);
    active.process (b);

    EXPECT_GT (bypassed.fastEnvelope, 0.0f);
    EXPECT_FLOAT_EQ (bypassed.fastEnvelope, active.fastEnvelope);
    EXPECT_FLOAT_EQ (bypassed.slowEnvelope, active.slowEnvelope);

    bypassed.reset();
    EXPECT_EQ (bypassed.fastEnvelope, 0.0f);
    EXPECT_EQ (bypassed.slowEnvelope, 0.0f);
}

TEST (TransientStage, RecoversFromInfiniteSamples)
{
    TransientStage stage;
    stage.prepare (rate);
    stage.amount = 1.0f;

    juce::AudioBuffer<float> buffer (2, 64);

    for (int c = 0; c < 2; ++c)
        juce::FloatVectorOperations::fill (buffer.getWritePointer (c), std::numeric_limits<float>::infinity(), 64);

    stage.process (buffer);
    EXPECT_EQ (stage.fastEnvelope, 0.0f);
    EXPECT_EQ (stage.slowEnvelope, 0.0f);

    auto noise = makeNoise (2, 512);
    stage.process (noise);
    EXPECT_TRUE (std::isfinite (noise.getMagnitude (0, 512)));
    EXPECT_TRUE (std::isfinite (stage.fastEnvelope));
}

//==============================================================================
TEST (PunchStage, NeverExceedsFullScaleAtAmountOne)
{
    PunchStage stage;
    stage.prepare (rate);
    stage.amount = 1.0f;

    // Up to float rounding of the blend, which grows with the input's size.
    const auto limit = 1.0f / std::tanh (3.5f) + 1.0e-6f;
    auto loud = makeNoise (2, 8192, 4.0f);
    stage.process (loud);
    EXPECT_LE (loud.getMagnitude (0, 8192), limit);
    EXPECT_LE (loud.getMagnitude (1, 8192), limit);

    auto low = makeSine (40.0, 1.0f, 8192, 2);
    stage.process (low);
    EXPECT_LE (low.getMagnitude (0, 8192), limit);
    EXPECT_GT (low.getMagnitude (0, 8192), 0.99f);
}

TEST (PunchStage, LiftsTheLowEndWithANinetyHertzShelf)
{
    // Small signals stay in tanh's linear range, so at amount 1 the output is the shelf's
    // gain times 3.5 / tanh (3.5).
    struct Case
    {
        float amount;
        double frequency;
        double shelfGainDb; // of the 90 Hz shelf at this frequency
    };

    const Case cases[] = {
        { 1.0f, 20.0, 5.7 },
        { 1.0f, 5000.0, 0.0 },
    };

    const auto driveDb = juce::Decibels::gainToDecibels (3.5 / std::tanh (3.5));

    for (const auto& c : cases)
    {
        PunchStage stage;
        stage.prepare (rate);
        stage.amount = c.amount;
        const auto level = settledLevelDb ([&] (auto& b)
                                           { stage.process (b); },
                                           c.frequency,
                                           0.0005f);
        EXPECT_NEAR (level, driveDb + c.shelfGainDb, 0.35) << c.frequency << " Hz";
    }
}

TEST (PunchStage, MatchesAFreshShelfAndTheSaturationBlend)
{
    // Written into the existing coefficient objects, the shelf must behave exactly as a newly
    // made one would.
    PunchStage stage;
    stage.prepare (48000.0);
    const auto* coefficients = stage.shelfFilters[0].coefficients.get();

    for (const auto amount : { 0.3f, 0.85f })
    {
        stage.amount = amount;
        stage.reset();
        const auto input = makeNoise (1, 1024, 0.6f);
        auto output = input;
        stage.process (output);

        juce::dsp::IIR::Filter<float> reference (juce::dsp::IIR::Coefficients<float>::makeLowShelf (48000.0, 90.0f, 0.707f, std::pow (10.0f, 6.0f * amount * 0.05f)));
        const auto fullScale = std::tanh (3.5f);

        // The tanh may be off the exact value by as much as the C library's (2.19 ulp), and
        // the blend adds its own rounding.
        for (int i = 0; i < 1024; ++i)
        {
            const auto x = input.getSample (0, i);
            const auto saturated = (float) std::tanh ((double) (3.5f * reference.processSample (x)));
            const auto expected = x + amount * (saturated / fullScale - x);
            const auto tolerance = amount * 2.19f * ulpOf (saturated) / fullScale + 2.0f * ulpOf (std::max (std::abs (x), 1.0f));
            ASSERT_NEAR (output.getSample (0, i), expected, tolerance) << "amount " << amount << " sample " << i;
        }
    }

    EXPECT_EQ (stage.shelfFilters[0].coefficients.get(), coefficients) << "no new coefficient object";
    EXPECT_FLOAT_EQ (stage.lastGainDb, 6.0f * 0.85f);
}

TEST (PunchStage, StartsFromZeroedFiltersWhenItLeavesTheBypass)
{
    PunchStage used, fresh;
    used.prepare (rate);
    fresh.prepare (rate);

    auto warmUp = makeNoise (2, 1024);
    used.amount = 0.5f;
    used.process (warmUp);
    EXPECT_FALSE (used.bypassed);

    auto silence = makeNoise (2, 64);
    used.amount = 0.0f;
    used.process (silence);
    EXPECT_TRUE (used.bypassed);

    const auto input = makeNoise (2, 1024, 0.5f, 11);
    auto a = input, b = input;
    used.amount = fresh.amount = 0.5f;
    used.process (a);
    fresh.process (b);

    EXPECT_TRUE (identical (a, b, 0));
    EXPECT_TRUE (identical (a, b, 1));
}

//==============================================================================
TEST (ToneStage, TiltsAroundSevenHundredHertz)
{
    struct Case
    {
        float tone;
        double frequency;
        double expectedDb;
        double tolerance;
    };

    const Case cases[] = {
        { 1.0f, 40.0, -6.0, 0.3 }, // brighter: the lows go down
        { 1.0f, 16000.0, 6.0, 0.3 }, // and the highs up
        { -1.0f, 40.0, 6.0, 0.3 }, // darker: the opposite
        { -1.0f, 16000.0, -6.0, 0.3 },
        { 0.5f, 40.0, -3.0, 0.3 },
        { 1.0f, 700.0, 0.0, 0.3 }, // the pivot
    };

    for (const auto& c : cases)
    {
        ToneStage stage;
        stage.prepare (rate);
        stage.tone = c.tone;
        const auto level = settledLevelDb ([&] (auto& b)
                                           { stage.process (b); },
                                           c.frequency,
                                           0.25f);
        EXPECT_NEAR (level, c.expectedDb, c.tolerance) << "tone " << c.tone << " at " << c.frequency << " Hz";
    }
}

TEST (ToneStage, GoingThroughZeroResetsTheFiltersAndKeepsTheShelves)
{
    ToneStage used, fresh;
    used.prepare (rate);
    used.tone = 0.5f;
    auto warmUp = makeNoise (2, 1024);
    used.process (warmUp);

    used.tone = 0.0f;
    auto bypassedBlock = makeNoise (2, 64);
    used.process (bypassedBlock);
    EXPECT_TRUE (used.bypassed);
    EXPECT_EQ (used.lastTone, 0.5f) << "the shelves stay as they were while bypassed";

    fresh.tone = 0.5f;
    fresh.prepare (rate); // prepare matches the shelves to the current tone at once

    const auto input = makeNoise (2, 2048, 0.5f, 5);
    auto a = input, b = input;
    used.tone = 0.5f;
    used.process (a);
    fresh.process (b);

    EXPECT_FALSE (used.bypassed);
    EXPECT_TRUE (identical (a, b, 0));
    EXPECT_TRUE (identical (a, b, 1));
}

TEST (ToneStage, SetToneClampsAndANonNumberIsTreatedAsFlat)
{
    ToneStage stage;
    stage.setTone (2.0f);
    EXPECT_EQ (stage.tone, 1.0f);
    stage.setTone (-3.0f);
    EXPECT_EQ (stage.tone, -1.0f);
    stage.setTone (0.25f);
    EXPECT_EQ (stage.tone, 0.25f);

    stage.prepare (rate);
    stage.tone = std::numeric_limits<float>::quiet_NaN();
    const auto input = makeNoise (2, 256);
    auto buffer = input;
    stage.process (buffer);
    EXPECT_TRUE (identical (buffer, input, 0));
}

//==============================================================================
TEST (ShelfDesign, GivesJucesShelvesBitForBit)
{
    // PUNCH's and TONE's corners at the rates hosts run at, and every gain the stages ask for
    // (0 to +6 dB for PUNCH, -6 to +6 dB for TONE) in fine steps.
    using Shelves = juce::dsp::IIR::ArrayCoefficients<float>;

    for (const auto rate : { 22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0 })
    {
        for (const auto frequency : { 90.0f, 700.0f })
        {
            const zob::ShelfDesign design (rate, frequency, 0.707f);

            for (int step = -600; step <= 600; ++step)
            {
                const auto gain = std::pow (10.0f, (float) step * 0.01f * 0.05f);
                ASSERT_EQ (design.lowShelf (gain), Shelves::makeLowShelf (rate, frequency, 0.707f, gain)) << rate << " Hz, " << frequency << " Hz, gain " << gain;
                ASSERT_EQ (design.highShelf (gain), Shelves::makeHighShelf (rate, frequency, 0.707f, gain)) << rate << " Hz, " << frequency << " Hz, gain " << gain;
            }
        }
    }
}
