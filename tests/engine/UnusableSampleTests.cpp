// Float kick files are valid with any bit pattern in them: NaN, infinities, huge values or
// nothing but subnormals. Whatever they hold, the voice, the pitch analysis, the key cache
// and the drag-out render must stay finite and bounded.

#include "ProcessorFixture.h"
#include "engine/KickLoading.h"
#include "library/KeyCache.h"
#include "library/KickFileReader.h"
#include "support/AudioFileBytes.h"
#include "support/TestEnvironment.h"

#include <cmath>
#include <functional>
#include <limits>

namespace
{
constexpr int kickFrames = 22050;
constexpr int kickNote = 33; // A1: the kick shape's body is at 55 Hz

enum class Pitch
{
    ofTheKick, // still the kick: its note
    none, // silence: no pitch
    anyFinite, // a buzz at the highest frequency: whatever the filters' ringing gives
};

struct FloatKick
{
    const char* name;
    std::function<float (int)> sample; // sample i of the one channel
    Pitch pitch; // of what is left once the unusable samples are silenced
};

float kickShape (int i)
{
    static const auto samples = zobtest::makeKickSamples (44100.0, 0.5);
    return samples[(size_t) i];
}

const FloatKick floatKicks[] = {
    { "NaN sprinkled", [] (int i)
      { return i % 97 == 0 ? std::numeric_limits<float>::quiet_NaN() : kickShape (i); },
      Pitch::ofTheKick },
    { "NaN only", [] (int)
      { return std::numeric_limits<float>::quiet_NaN(); },
      Pitch::none },
    { "Infinities", [] (int i)
      { return i % 2 == 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity(); },
      Pitch::none },
    { "Infinity in the attack", [] (int i)
      { return i == 10 ? std::numeric_limits<float>::infinity() : kickShape (i); },
      Pitch::ofTheKick },
    { "Huge", [] (int i)
      { return kickShape (i) * 1.0e30f; },
      Pitch::ofTheKick },
    { "Largest float", [] (int i)
      { return i % 2 == 0 ? std::numeric_limits<float>::max() : std::numeric_limits<float>::lowest(); },
      Pitch::anyFinite },
    { "Subnormal only", [] (int i)
      { return (i % 2 == 0 ? 1.0f : -1.0f) * std::numeric_limits<float>::denorm_min() * (float) (1 + i % 1000); },
      Pitch::none },
};

void expectPitch (const KickPitchResult& result, const FloatKick& kick)
{
    if (kick.pitch != Pitch::anyFinite)
        EXPECT_EQ (result.valid, kick.pitch == Pitch::ofTheKick) << kick.name;

    if (kick.pitch == Pitch::ofTheKick)
        EXPECT_EQ (result.note, kickNote) << kick.name;

    if (result.valid)
        EXPECT_TRUE (std::isfinite (result.hz) && std::isfinite (result.cents) && std::isfinite (result.settled)) << kick.name;
}

juce::File writeFloatKick (const juce::File& file, const FloatKick& kick)
{
    std::vector<float> samples ((size_t) kickFrames);

    for (int i = 0; i < kickFrames; ++i)
        samples[(size_t) i] = kick.sample (i);

    zobtest::WavSpec spec;
    spec.formatTag = 3;
    spec.bitsPerSample = 32;
    spec.data = zobtest::float32 (samples);
    EXPECT_TRUE (zobtest::writeBytes (file, zobtest::makeWav (spec)));
    return file;
}

/** The largest magnitude in the buffer, or infinity when a sample is not finite. */
float largestMagnitude (const juce::AudioBuffer<float>& buffer)
{
    auto largest = 0.0f;

    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
    {
        for (int i = 0; i < buffer.getNumSamples(); ++i)
        {
            const auto sample = buffer.getSample (channel, i);

            if (! std::isfinite (sample))
                return std::numeric_limits<float>::infinity();

            largest = std::max (largest, std::abs (sample));
        }
    }

    return largest;
}

bool holdsSubnormals (const juce::AudioBuffer<float>& buffer)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            if (std::fpclassify (buffer.getSample (channel, i)) == FP_SUBNORMAL)
                return true;

    return false;
}
} // namespace

TEST (UnusableSamples, LoadingTurnsThemIntoSilence)
{
    zobtest::ScopedTempHome home;
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();

    for (const auto& kick : floatKicks)
    {
        const auto file = writeFloatKick (home.temp().getChildFile (juce::String (kick.name) + ".wav"), kick);

        LoadedSample sample;
        ASSERT_TRUE (loadSampleFile (sample, file, formats)) << kick.name;
        ASSERT_EQ (sample.buffer.getNumSamples(), kickFrames) << kick.name;
        EXPECT_TRUE (std::isfinite (largestMagnitude (sample.buffer))) << kick.name;
        EXPECT_FALSE (holdsSubnormals (sample.buffer)) << kick.name;

        // Usable samples keep their shape; only an absurdly loud kick is turned down.
        auto peak = 0.0f;
        for (int i = 0; i < kickFrames; ++i)
            if (std::isnormal (kick.sample (i)))
                peak = std::max (peak, std::abs (kick.sample (i)));

        const auto gain = peak > largestUsableSample ? largestUsableSample / peak : 1.0f;
        EXPECT_LE (largestMagnitude (sample.buffer), largestUsableSample) << kick.name;

        for (int i = 0; i < kickFrames; ++i)
        {
            const auto stored = kick.sample (i);
            const auto expected = std::isnormal (stored) ? stored * gain : 0.0f;
            ASSERT_NEAR (sample.buffer.getSample (0, i), expected, std::abs (expected) * 1.0e-6f) << kick.name << " sample " << i;
        }
    }
}

TEST (UnusableSamples, TheVoiceTheAnalysisAndTheRenderStayFiniteAndBounded)
{
    zobtest::ScopedTempHome home;

    for (const auto& kick : floatKicks)
    {
        const auto file = writeFloatKick (home.temp().getChildFile (juce::String (kick.name) + ".wav"), kick);

        zobtest::ProcessorFixture f;
        f.prepare();
        ASSERT_TRUE (f.processor.loadSample (file)) << kick.name;

        // A kick that survives the clean-up keeps the note of the clean kick; silence has none.
        expectPitch (f.processor.getKickPitch(), kick);

        // Every stage at its most, the loudest output, the highest pitch: still finite and
        // inside the soft clipper's bound.
        f.setParameter (ParameterIds::transientAmount, 1.0f);
        f.setParameter (ParameterIds::punchAmount, 1.0f);
        f.setParameter (ParameterIds::lengthAmount, 1.0f);
        f.setParameter (ParameterIds::toneAmount, 1.0f);
        f.setParameter (ParameterIds::tuneSemitones, 12.0f);
        f.setParameter (ParameterIds::outputGainDb, 12.0f);

        for (int block = 0; block < 60; ++block)
        {
            if (block % 20 == 0)
                f.addNoteOn (7);

            f.runBlock();
            ASSERT_LE (largestMagnitude (f.buffer), 1.0f) << kick.name << " block " << block;
        }

        juce::AudioBuffer<float> rendered;
        double renderedRate = 0.0;
        ASSERT_TRUE (f.processor.renderProcessedKick (rendered, renderedRate)) << kick.name;
        EXPECT_LE (largestMagnitude (rendered), 1.0f) << kick.name;

        expectPitch (vyl::KeyCache::detectFile (file, f.processor.formatManager), kick);
    }
}
