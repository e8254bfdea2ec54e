#include "library/KickPitchAnalysis.h"
#include "tools/KickSynth/KickSynthesiser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace
{
/** The analysis written out the plain way: one direct dot product per lag and frame.
    The library's analyseKick shares the lagged products between overlapping frames;
    this proves that it still gives the same answers. */
namespace reference
{
    void framePitch (const float* frame, int length, double rate, double& hz, float& clarity)
    {
        hz = 0.0;
        clarity = 0.0f;
        double mean = 0.0;
        for (int i = 0; i < length; ++i)
            mean += frame[i];
        mean /= length;

        std::vector<double> x ((size_t) length), c ((size_t) length + 1, 0.0), nsdf ((size_t) length + 1, 0.0);
        for (int i = 0; i < length; ++i)
        {
            x[(size_t) i] = frame[i] - mean;
            c[(size_t) i + 1] = c[(size_t) i] + x[(size_t) i] * x[(size_t) i];
        }
        if (c[(size_t) length] <= 1.0e-12)
            return;

        const auto minLag = std::max (2, (int) std::floor (rate / 160.0));
        const auto maxLag = std::min ((int) std::ceil (rate / 30.0), length / 2);
        if (maxLag <= minLag + 1)
            return;

        for (int tau = std::max (1, minLag - 1); tau <= std::min (maxLag + 1, length - 2); ++tau)
        {
            double r = 0.0;
            for (int i = 0; i < length - tau; ++i)
                r += x[(size_t) i] * x[(size_t) (i + tau)];
            const auto m = c[(size_t) length] - c[(size_t) tau] + c[(size_t) (length - tau)];
            nsdf[(size_t) tau] = m > 1.0e-15 ? 2.0 * r / m : 0.0;
        }

        double best = -1.0e9;
        for (int tau = minLag; tau <= maxLag; ++tau)
            best = std::max (best, nsdf[(size_t) tau]);
        if (best <= 0.0)
            return;

        for (int tau = minLag; tau <= maxLag; ++tau)
        {
            const auto a = nsdf[(size_t) tau - 1], b = nsdf[(size_t) tau], cc = nsdf[(size_t) tau + 1];
            if (b >= a && b >= cc && b >= 0.85 * best)
            {
                const auto den = a - 2.0 * b + cc;
                const auto delta = std::abs (den) < 1.0e-12 ? 0.0 : std::clamp (0.5 * (a - cc) / den, -1.0, 1.0);
                if (tau + delta <= 0.0)
                    return;
                hz = rate / (tau + delta);
                clarity = std::clamp ((float) b, 0.0f, 1.0f);
                return;
            }
        }
    }

    KickPitchResult analyse (const juce::AudioBuffer<float>& buffer, double sampleRate)
    {
        KickPitchResult result;
        const auto n = buffer.getNumSamples(), channels = buffer.getNumChannels();
        if (n < 64 || channels < 1 || sampleRate < 8000.0)
            return result;

        std::vector<float> mono ((size_t) n, 0.0f);
        for (int ch = 0; ch < channels; ++ch)
            for (int i = 0; i < n; ++i)
                mono[(size_t) i] += buffer.getSample (ch, i);

        float peak = 0.0f;
        int peakIndex = 0;
        for (int i = 0; i < n; ++i)
        {
            mono[(size_t) i] *= 1.0f / (float) channels;
            if (std::abs (mono[(size_t) i]) > peak)
            {
                peak = std::abs (mono[(size_t) i]);
                peakIndex = i;
            }
        }
        if (peak < 1.0e-6f)
            return result;

        filterZeroPhase (mono, juce::IIRCoefficients::makeHighPass (sampleRate, 30.0));
        filterZeroPhase (mono, juce::IIRCoefficients::makeLowPass (sampleRate, 200.0));
        filterZeroPhase (mono, juce::IIRCoefficients::makeLowPass (sampleRate, 200.0));

        const auto d = std::max (1, (int) std::round (sampleRate / 11025.0));
        const auto r = sampleRate / d;
        std::vector<float> y;
        for (int i = peakIndex; i < n; i += d)
            y.push_back (mono[(size_t) i]);
        if (y.size() < 64)
            return result;

        float p2 = 0.0f;
        for (auto v : y)
            p2 = std::max (p2, std::abs (v));
        if (p2 < 1.0e-7f)
            return result;

        const auto L = std::max (32, (int) std::round (r * 80 / 1000));
        const auto H = std::max (1, (int) std::round (r * 8 / 1000));
        const auto gate = 1.0e-2 * p2;

        std::vector<PitchFrame> frames;
        for (int s = 0; s + L <= (int) y.size(); s += H)
        {
            double sum = 0.0;
            for (int i = s; i < s + L; ++i)
                sum += (double) y[(size_t) i] * y[(size_t) i];
            const auto rms = std::sqrt (sum / L);
            if (rms < gate)
                continue;
            double hz;
            float clarity;
            framePitch (y.data() + s, L, r, hz, clarity);
            if (hz > 0.0 && clarity >= 0.45f)
                frames.push_back ({ s / r * 1000.0, hz, rms });
        }
        if (frames.size() < 2)
            return result;

        auto sorted = frames;
        std::sort (sorted.begin(), sorted.end(), [] (auto& a, auto& b)
                   { return a.rms > b.rms; });
        double total = 0.0;
        for (auto& f : frames)
            total += f.rms * f.rms;
        double lo = sorted[0].hz, hi = sorted[0].hz, sum = 0.0;
        for (auto& f : sorted)
        {
            lo = std::min (lo, f.hz);
            hi = std::max (hi, f.hz);
            sum += f.rms * f.rms;
            if (sum >= total * 0.8)
                break;
        }
        if (lo > 0.0)
            result.glide = (float) (12.0 * std::log2 (hi / lo));

        double f0 = 0.0, spread = 0.0;
        const auto count = (int) frames.size();
        auto pick = [&] (std::vector<double> v)
        {
            std::sort (v.begin(), v.end());
            f0 = v[v.size() / 2];
            spread = v.front() > 0.0 ? 12.0 * std::log2 (v.back() / v.front()) : 0.0;
        };
        if (count > 5)
        {
            double bestSlope = 1.0e9;
            for (int k = count - 5; k >= 0; --k)
            {
                const auto slope = std::abs (12.0 * std::log2 (frames[(size_t) k + 4].hz / frames[(size_t) k].hz))
                                   / std::max (frames[(size_t) k + 4].timeMs - frames[(size_t) k].timeMs, 1.0);
                if (slope < bestSlope)
                {
                    bestSlope = slope;
                    std::vector<double> v;
                    for (int i = k; i < k + 5; ++i)
                        v.push_back (frames[(size_t) i].hz);
                    pick (v);
                }
            }
        }
        else
        {
            std::vector<double> v;
            for (auto& f : frames)
                v.push_back (f.hz);
            pick (v);
        }

        const auto midi = 12.0 * std::log2 (f0 / 440.0) + 69.0;
        if (f0 <= 0.0 || midi < 0.0 || midi > 127.0)
            return result;
        result.valid = true;
        result.hz = f0;
        result.note = (juce::int32) std::clamp (std::lround (midi), 0L, 127L);
        result.cents = (float) ((midi - std::lround (midi)) * 100.0);
        result.settled = (float) spread;
        result.approx = result.settled > 0.33f;
        return result;
    }
} // namespace reference

double hzOfNote (int note) { return 440.0 * std::pow (2.0, (note - 69) / 12.0); }

juce::AudioBuffer<float> sine (double hz, double sampleRate, double seconds, int channels = 1)
{
    juce::AudioBuffer<float> buffer (channels, (int) (sampleRate * seconds));
    for (int ch = 0; ch < channels; ++ch)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            buffer.setSample (ch, i, 0.5f * (float) std::sin (juce::MathConstants<double>::twoPi * hz * i / sampleRate));
    return buffer;
}

KickPitchResult validResult (int note, float cents = 0.0f, bool approx = false)
{
    KickPitchResult result;
    result.valid = true;
    result.note = note;
    result.hz = hzOfNote (note) * std::pow (2.0, cents / 1200.0);
    result.cents = cents;
    result.approx = approx;
    return result;
}

void expectSameAsReference (const juce::AudioBuffer<float>& kick, double rate, const juce::String& what)
{
    const auto fast = analyseKick (kick, rate);
    const auto plain = reference::analyse (kick, rate);
    SCOPED_TRACE (what.toStdString());
    ASSERT_EQ (fast.valid, plain.valid);
    EXPECT_EQ (fast.note, plain.note);
    EXPECT_EQ (fast.approx, plain.approx);
    if (plain.valid)
    {
        EXPECT_NEAR (fast.hz, plain.hz, plain.hz * 1.0e-6);
        EXPECT_NEAR (fast.settled, plain.settled, 1.0e-4);
        EXPECT_NEAR (fast.glide, plain.glide, 1.0e-4);
    }
}
} // namespace

TEST (KickPitchAnalysis, SineOf55HzIsA1)
{
    const auto result = analyseKick (sine (55.0, 44100.0, 1.0), 44100.0);
    ASSERT_TRUE (result.valid);
    EXPECT_EQ (result.note, 33);
    EXPECT_NEAR (result.hz, 55.0, 0.05);
    EXPECT_NEAR (result.cents, 0.0f, 2.0f);
    EXPECT_NEAR (result.settled, 0.0f, 0.01f);
    EXPECT_FALSE (result.approx);
    EXPECT_EQ (result.displayText(), "A1");
}

TEST (KickPitchAnalysis, SweptKicksSettleOnTheirNoteAtEveryRate)
{
    for (auto rate : { 44100.0, 48000.0, 96000.0 })
    {
        for (auto note : { 28, 31, 33, 36, 40, 43, 45 }) // E1 .. A2
        {
            for (auto channels : { 1, 2 })
            {
                KickRecipe recipe;
                recipe.settledHz = hzOfNote (note);
                recipe.numChannels = channels;
                recipe.clickLevel = 0.4;
                recipe.noiseLevel = 0.3;
                recipe.drive = 2.0;
                recipe.lengthSeconds = 1.2;
                const auto result = analyseKick (renderKick (recipe, rate), rate);

                SCOPED_TRACE (juce::String (rate) + " Hz, note " + juce::String (note));
                ASSERT_TRUE (result.valid);
                EXPECT_EQ (result.note, note);
                EXPECT_NEAR (result.cents, 0.0f, 10.0f);
                EXPECT_FALSE (result.approx);
                EXPECT_GT (result.glide, 0.5f); // the sweep's loud start is part of the glide
            }
        }
    }
}

TEST (KickPitchAnalysis, APitchThatKeepsGlidingIsApproximate)
{
    KickRecipe recipe;
    recipe.settledHz = 90.0;
    recipe.glideSemitonesPerSecond = 18.0;
    recipe.decaySeconds = 0.6;
    recipe.lengthSeconds = 1.5;
    const auto result = analyseKick (renderKick (recipe, 44100.0), 44100.0);

    ASSERT_TRUE (result.valid);
    EXPECT_TRUE (result.approx);
    EXPECT_GT (result.settled, 0.33f);
    EXPECT_TRUE (result.displayText().startsWith ("~"));
    EXPECT_LT (result.hz, 90.0);
    EXPECT_GT (result.hz, 30.0);
}

TEST (KickPitchAnalysis, RejectsWhatCannotHoldAPitch)
{
    const auto kick = sine (55.0, 44100.0, 1.0);
    EXPECT_FALSE (analyseKick (juce::AudioBuffer<float> (1, 63), 44100.0).valid);
    EXPECT_FALSE (analyseKick (juce::AudioBuffer<float> (0, 44100), 44100.0).valid);
    EXPECT_FALSE (analyseKick (kick, 7999.0).valid);
    EXPECT_FALSE (analyseKick (kick, 0.0).valid);
    EXPECT_FALSE (analyseKick (kick, std::numeric_limits<double>::quiet_NaN()).valid);
    EXPECT_FALSE (analyseKick (kick, std::numeric_limits<double>::infinity()).valid);
    EXPECT_FALSE (analyseKick (kick, 1.0e15).valid);

    juce::AudioBuffer<float> silence (2, 44100);
    silence.clear();
    EXPECT_FALSE (analyseKick (silence, 44100.0).valid);

    auto whisper = sine (55.0, 44100.0, 1.0);
    whisper.applyGain (0.9e-6f / 0.5f);
    EXPECT_FALSE (analyseKick (whisper, 44100.0).valid);

    // The peak sits so late that fewer than 64 decimated samples follow it.
    auto latePeak = sine (55.0, 44100.0, 1.0);
    latePeak.setSample (0, latePeak.getNumSamples() - 63 * 4, 1.0f);
    EXPECT_FALSE (analyseKick (latePeak, 44100.0).valid);

    // Garbage samples from a broken file give some answer, never a crash or a hang.
    auto broken = sine (55.0, 44100.0, 0.5);
    broken.setSample (0, 100, std::numeric_limits<float>::quiet_NaN());
    broken.setSample (0, 200, std::numeric_limits<float>::infinity());
    (void) analyseKick (broken, 44100.0);
}

TEST (KickPitchAnalysis, SmallestAcceptedBufferAndRatePassTheFirstChecks)
{
    // 64 samples at 8000 Hz pass the size and rate checks but hold no 80 ms frame.
    auto tiny = sine (55.0, 8000.0, 64.0 / 8000.0);
    ASSERT_EQ (tiny.getNumSamples(), 64);
    EXPECT_FALSE (analyseKick (tiny, 8000.0).valid);

    const auto result = analyseKick (sine (110.0, 8000.0, 1.0), 8000.0);
    ASSERT_TRUE (result.valid);
    EXPECT_EQ (result.note, 45);
}

TEST (KickPitchAnalysis, MatchesThePlainDirectAnalysis)
{
    struct Case
    {
        double rate, hz, glide, seconds, click, noise, drive;
        int channels;
    };

    const Case cases[] = {
        { 44100.0, 41.2, 0.0, 1.5, 0.0, 0.0, 1.0, 1 },
        { 44100.0, 55.0, 0.0, 1.5, 0.5, 0.4, 3.0, 2 },
        { 44100.0, 73.4, 14.0, 1.5, 0.2, 0.2, 1.5, 1 },
        { 44100.0, 98.0, 0.0, 0.3, 0.8, 0.6, 4.0, 2 },
        { 48000.0, 49.0, 0.0, 2.0, 0.3, 0.3, 2.0, 2 },
        { 48000.0, 110.0, 20.0, 1.0, 0.0, 0.5, 1.0, 1 },
        { 96000.0, 65.4, 0.0, 1.0, 0.4, 0.2, 2.5, 2 },
        { 22050.0, 82.4, 0.0, 0.8, 0.2, 0.0, 1.0, 1 },
        { 8000.0, 61.7, 0.0, 1.0, 0.0, 0.0, 1.0, 1 },
        { 44100.0, 150.0, 0.0, 0.5, 0.0, 0.0, 1.0, 1 },
    };

    for (const auto& c : cases)
    {
        KickRecipe recipe;
        recipe.settledHz = c.hz;
        recipe.glideSemitonesPerSecond = c.glide;
        recipe.lengthSeconds = c.seconds;
        recipe.clickLevel = c.click;
        recipe.noiseLevel = c.noise;
        recipe.drive = c.drive;
        recipe.numChannels = c.channels;
        expectSameAsReference (renderKick (recipe, c.rate), c.rate, juce::String (c.rate) + " Hz kick at " + juce::String (c.hz));
    }

    for (const auto seconds : { 1.5, 3.0 }) // the kicks the analysis benchmark times
    {
        KickRecipe benchmarked;
        benchmarked.decaySeconds = 0.8;
        benchmarked.clickLevel = 0.3;
        benchmarked.noiseLevel = 0.2;
        benchmarked.drive = 2.0;
        benchmarked.numChannels = 2;
        benchmarked.lengthSeconds = seconds;
        expectSameAsReference (renderKick (benchmarked, 44100.0), 44100.0, "benchmark kick of " + juce::String (seconds) + " s");
    }

    KickRecipe longRinging; // many more frames than the lagged products are kept for at once
    longRinging.settledHz = 46.0;
    longRinging.decaySeconds = 2.5;
    longRinging.glideSemitonesPerSecond = 1.5;
    longRinging.lengthSeconds = 6.0;
    expectSameAsReference (renderKick (longRinging, 44100.0), 44100.0, "six seconds of ringing");

    expectSameAsReference (sine (55.0, 44100.0, 1.0), 44100.0, "plain sine");
    juce::Random random (42);
    juce::AudioBuffer<float> noise (1, 44100);
    for (int i = 0; i < noise.getNumSamples(); ++i)
        noise.setSample (0, i, random.nextFloat() * 2.0f - 1.0f);
    expectSameAsReference (noise, 44100.0, "white noise");
}

TEST (KickPitchAnalysis, FramePitchFindsTheFundamentalAndClearsItsOutputs)
{
    std::vector<float> frame (882);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = (float) std::sin (juce::MathConstants<double>::twoPi * 62.5 * (double) i / 11025.0);

    double hz = -1.0;
    float clarity = -1.0f;
    measureFramePitch (frame.data(), (int) frame.size(), 11025.0, 30.0, 160.0, hz, clarity);
    EXPECT_NEAR (hz, 62.5, 0.05);
    EXPECT_GT (clarity, 0.95f);
    EXPECT_LE (clarity, 1.0f);

    double plainHz;
    float plainClarity;
    reference::framePitch (frame.data(), (int) frame.size(), 11025.0, plainHz, plainClarity);
    EXPECT_EQ (hz, plainHz);
    EXPECT_EQ (clarity, plainClarity);

    measureFramePitch (frame.data(), 7, 11025.0, 30.0, 160.0, hz, clarity);
    EXPECT_EQ (hz, 0.0);
    EXPECT_EQ (clarity, 0.0f);

    std::vector<float> flat (882, 0.25f); // a constant is all mean: no energy left
    hz = 1.0;
    measureFramePitch (flat.data(), (int) flat.size(), 11025.0, 30.0, 160.0, hz, clarity);
    EXPECT_EQ (hz, 0.0);
}

TEST (KickPitchAnalysis, ZeroPhaseFilterKeepsTheSignalInPlace)
{
    std::vector<float> samples (4410);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = (float) std::sin (juce::MathConstants<double>::twoPi * 50.0 * (double) i / 44100.0);
    const auto original = samples;

    filterZeroPhase (samples, juce::IIRCoefficients::makeLowPass (44100.0, 2000.0));

    // Well inside the pass band, forwards-backwards filtering neither delays nor shifts.
    for (size_t i = 1000; i < 3400; i += 97)
        EXPECT_NEAR (samples[i], original[i], 2.0e-3f);
}

TEST (KickPitchResult, NoteNamesAndBadgeText)
{
    EXPECT_EQ (KickPitchResult().noteName(), "");

    const struct
    {
        int note;
        const char* name;
    } names[] = { { 60, "C4" }, { 0, "C-1" }, { 127, "G9" }, { 33, "A1" }, { 34, "A#1" }, { 11, "B-1" }, { 12, "C0" }, { 200, "G9" }, { -5, "C-1" } };

    for (const auto& n : names)
        EXPECT_EQ (validResult (n.note).noteName(), n.name) << n.note;

    EXPECT_EQ (validResult (33).displayText(), "A1");
    EXPECT_EQ (validResult (33, 0.0f, true).displayText(), "~A1");
}

TEST (KickPitchResult, HalfwayBetweenNotesRoundsAwayFromZero)
{
    // A2 (45) raised by half a semitone lands on MIDI 45.5: note 46, 50 cents flat.
    const auto moved = validResult (45).transposed (0.5f);
    EXPECT_EQ (moved.note, 46);
    EXPECT_NEAR (moved.cents, -50.0f, 1.0e-3f);
}

TEST (KickPitchResult, TranspositionTable)
{
    const auto a1 = validResult (33, 12.0f, true);

    const auto same = a1.transposed (0.0f);
    EXPECT_EQ (same.hz, a1.hz);
    EXPECT_EQ (same.note, 33);

    const auto up = a1.transposed (12.0f);
    EXPECT_EQ (up.noteName(), "A2");
    EXPECT_NEAR (up.hz, a1.hz * 2.0, 1.0e-9);
    EXPECT_NEAR (up.cents, 12.0f, 1.0e-3f);
    EXPECT_TRUE (up.approx);
    EXPECT_EQ (up.displayText(), "~A2");

    const struct
    {
        float semitones;
        int note;
    } moves[] = { { -12.0f, 21 }, { 3.0f, 36 }, { -0.3f, 33 }, { 0.6f, 34 }, { 24.0f, 57 } };

    for (const auto& m : moves)
        EXPECT_EQ (validResult (33).transposed (m.semitones).note, m.note) << m.semitones;

    // Leaving MIDI 0..127 keeps the untransposed result.
    const auto high = validResult (120).transposed (12.0f);
    EXPECT_EQ (high.note, 120);
    EXPECT_EQ (high.noteName(), "C9");
    EXPECT_EQ (validResult (5).transposed (-12.0f).note, 5);

    KickPitchResult invalid;
    const auto stillInvalid = invalid.transposed (7.0f);
    EXPECT_FALSE (stillInvalid.valid);
    EXPECT_EQ (stillInvalid.hz, 0.0);
}
