// The whole audio block against its plain form (PlainChain.h): ten seconds of the benchmarks'
// kick, a note every 250 ms, at settings that put every control at its extremes, with the
// compare switch flipping and with the controls moving, at the block sizes hosts use and at
// the extremes of them. The output may differ from the plain form only by float rounding:
// by at most 1e-5 (-100 dBFS), or by as much as TONE's float filters differ from the same
// filters in double, where that is more. (PUNCH's tanh is not the C library's own, and any
// change of a last bit before TONE comes out as TONE's rounding: with every shaping control
// at its top and OUTPUT at +12 dB that reaches a few times 1e-5.)

#include "PlainChain.h"
#include "ProcessorFixture.h"
#include "support/SyntheticKick.h"

#include <cmath>
#include <cstdio>

using zobtest::ProcessorFixture;

namespace
{
// The change from the plain form allowed at any setting, or, where it is larger, the change
// that the float filters of TONE make from the same filters in double at that setting.
constexpr float largestDifference = 1.0e-5f;
constexpr double seconds = 10.0;

struct Setting
{
    const char* name;
    float transient, punch, length, tone, tune, outputDb;
    bool toggleCompare; // every 100 ms, as the benchmark does
    bool moveControls; // every control to a new value every 50 ms, now and then to its ends
};

const Setting settings[] = {
    { "Benchmark", 0.7f, 0.75f, 0.5f, 0.5f, 3.0f, -6.0f, false, false },
    { "BenchmarkComparing", 0.7f, 0.75f, 0.5f, 0.5f, 3.0f, -6.0f, true, false },
    { "TransientAtBottom", 0.0f, 0.75f, 0.5f, 0.5f, 3.0f, -6.0f, true, false },
    { "TransientAtTop", 1.0f, 0.75f, 0.5f, 0.5f, 3.0f, -6.0f, true, false },
    { "PunchAtBottom", 0.7f, 0.0f, 0.5f, 0.5f, 3.0f, -6.0f, true, false },
    { "PunchAtTop", 0.7f, 1.0f, 0.5f, 0.5f, 3.0f, -6.0f, true, false },
    { "LengthAtBottom", 0.7f, 0.75f, 0.0f, 0.5f, 3.0f, -6.0f, true, false },
    { "LengthAtTop", 0.7f, 0.75f, 1.0f, 0.5f, 3.0f, -6.0f, true, false },
    { "ToneAtBottom", 0.7f, 0.75f, 0.5f, -1.0f, 3.0f, -6.0f, true, false },
    { "ToneAtTop", 0.7f, 0.75f, 0.5f, 1.0f, 3.0f, -6.0f, true, false },
    { "TuneAtBottom", 0.7f, 0.75f, 0.5f, 0.5f, -12.0f, -6.0f, true, false },
    { "TuneAtTop", 0.7f, 0.75f, 0.5f, 0.5f, 12.0f, -6.0f, true, false },
    { "OutputAtBottom", 0.7f, 0.75f, 0.5f, 0.5f, 3.0f, -60.0f, true, false },
    { "OutputAtTop", 0.7f, 0.75f, 0.5f, 0.5f, 3.0f, 12.0f, true, false },
    { "ShapingAtTopOutputAt0Db", 1.0f, 1.0f, 0.0f, 1.0f, 12.0f, 0.0f, true, false },
    { "ShapingAtTopDarkTunedDown", 1.0f, 1.0f, 0.0f, -1.0f, -12.0f, 0.0f, true, false },
    { "EveryControlAtTop", 1.0f, 1.0f, 1.0f, 1.0f, 12.0f, 12.0f, true, false },
    { "EveryControlAtBottom", 0.0f, 0.0f, 0.0f, -1.0f, -12.0f, -60.0f, true, false },
    { "ShapingAtBottomOutputAtTop", 0.0f, 0.0f, 1.0f, -1.0f, -12.0f, 12.0f, true, false },
    { "Defaults", 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, false, false },
    { "ControlsMoving", 0.5f, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f, true, true },
};

const int blockSizes[] = { 1, 61, 512, 4096 };

struct Case
{
    Setting setting;
    int blockSize;
};

void PrintTo (const Case& c, std::ostream* out)
{
    *out << c.setting.name << ", blocks of " << c.blockSize;
}

std::vector<Case> allCases()
{
    std::vector<Case> cases;

    for (const auto& setting : settings)
        for (const auto blockSize : blockSizes)
            cases.push_back ({ setting, blockSize });

    return cases;
}

/** The largest difference between two outputs so far, and where it was. */
struct Difference
{
    void update (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b, juce::int64 blockStart)
    {
        for (int c = 0; c < a.getNumChannels(); ++c)
        {
            for (int i = 0; i < a.getNumSamples(); ++i)
            {
                const auto difference = std::abs (a.getSample (c, i) - b.getSample (c, i));

                if (difference > largest)
                {
                    largest = difference;
                    channel = c;
                    at = blockStart + i;
                    value = a.getSample (c, i);
                    expected = b.getSample (c, i);
                }
            }
        }
    }

    std::string describe (double rate) const
    {
        return "channel " + std::to_string (channel) + " at " + std::to_string ((double) at / rate) + " s: "
               + std::to_string (value) + " instead of " + std::to_string (expected);
    }

    float largest = 0.0f, value = 0.0f, expected = 0.0f;
    int channel = 0;
    juce::int64 at = 0;
};

std::string figure (float value)
{
    char text[32];
    std::snprintf (text, sizeof (text), "%.3g", (double) value);
    return text;
}

class AudioBlockReference : public ::testing::TestWithParam<Case>
{
protected:
    void set (float transient, float punch, float length, float tone, float tune, float outputDb)
    {
        f.setParameter (ParameterIds::transientAmount, transient);
        f.setParameter (ParameterIds::punchAmount, punch);
        f.setParameter (ParameterIds::lengthAmount, length);
        f.setParameter (ParameterIds::toneAmount, tone);
        f.setParameter (ParameterIds::tuneSemitones, tune);
        f.setParameter (ParameterIds::outputGainDb, outputDb);
    }

    /** The values the processor reads: the parameters' raw values, snapped to their steps. */
    plain::BlockControls controls() const
    {
        auto value = [this] (const juce::String& id)
        { return f.processor.getParameterValue (id, 0.0f); };

        return { value (ParameterIds::transientAmount),
                 value (ParameterIds::punchAmount),
                 value (ParameterIds::lengthAmount),
                 value (ParameterIds::toneAmount),
                 value (ParameterIds::tuneSemitones),
                 value (ParameterIds::outputGainDb),
                 f.processor.compareEnabled.load() };
    }

    ProcessorFixture f;
};
} // namespace

TEST_P (AudioBlockReference, StaysWithinTheRoundingOfThePlainForm)
{
    const auto& [setting, blockSize] = GetParam();
    constexpr auto rate = ProcessorFixture::hostRate;

    zobtest::fillSyntheticKick (f.processor.loadedSample);
    f.prepare();
    set (setting.transient, setting.punch, setting.length, setting.tone, setting.tune, setting.outputDb);

    plain::AudioBlock reference;
    plain::AudioBlockWith<double> referenceWithDoubleTone;
    reference.prepare (f.processor.loadedSample, rate);
    referenceWithDoubleTone.prepare (f.processor.loadedSample, rate);

    const auto noteInterval = (juce::int64) (0.25 * rate);
    const auto compareInterval = (juce::int64) (0.1 * rate);
    const auto controlInterval = (juce::int64) (0.05 * rate);
    const auto total = (juce::int64) (seconds * rate);
    juce::int64 nextNote = 0, nextCompare = compareInterval, nextControls = controlInterval;
    juce::Random random (blockSize);

    juce::AudioBuffer<float> expected (2, blockSize), withDoubleTone (2, blockSize);
    std::vector<plain::BlockEvent> events;
    Difference fromPlain, toneRounding;
    auto loudest = 0.0f;

    for (juce::int64 time = 0; time < total; time += blockSize)
    {
        events.clear();

        for (; nextNote < time + blockSize; nextNote += noteInterval)
        {
            const auto position = (int) (nextNote - time);

            // Now and then the kick is stopped just before a note.
            if (setting.moveControls && random.nextInt (5) == 0)
            {
                f.midi.addEvent (juce::MidiMessage::allNotesOff (1), position);
                events.push_back ({ position, true, 0.0f });
            }

            const auto velocity = setting.moveControls ? 1 + random.nextInt (127) : 127;
            f.addNoteOn (position, velocity);
            events.push_back ({ position, false, (float) velocity * 0.007874016f });
        }

        if (setting.toggleCompare && nextCompare < time + blockSize)
        {
            f.processor.compareEnabled = ! f.processor.compareEnabled.load();
            nextCompare += compareInterval;
        }

        if (setting.moveControls && nextControls < time + blockSize)
        {
            auto pick = [&random] (float low, float high)
            {
                const auto choice = random.nextInt (8);
                return choice == 0 ? low : choice == 1 ? high
                                                       : low + (high - low) * random.nextFloat();
            };

            set (pick (0.0f, 1.0f), pick (0.0f, 1.0f), pick (0.0f, 1.0f), pick (-1.0f, 1.0f), pick (-12.0f, 12.0f), pick (-60.0f, 12.0f));
            nextControls += controlInterval;
        }

        const auto blockControls = controls();
        f.runBlock (blockSize);
        expected.setSize (2, blockSize, false, false, true);
        withDoubleTone.setSize (2, blockSize, false, false, true);
        reference.process (expected, events, blockControls);
        referenceWithDoubleTone.process (withDoubleTone, events, blockControls);

        fromPlain.update (f.buffer, expected, time);
        toneRounding.update (withDoubleTone, expected, time);
        loudest = std::max ({ loudest, expected.getMagnitude (0, 0, blockSize), expected.getMagnitude (1, 0, blockSize) });
    }

    EXPECT_GT (loudest, 1.0e-4f) << "the kick sounded";
    EXPECT_LE (fromPlain.largest, std::max (largestDifference, toneRounding.largest))
        << fromPlain.describe (rate) << "; TONE's own rounding " << toneRounding.largest;

    RecordProperty ("largestDifference", figure (fromPlain.largest));
    RecordProperty ("toneRounding", figure (toneRounding.largest));
}

INSTANTIATE_TEST_SUITE_P (SettingsAndBlockSizes, AudioBlockReference, ::testing::ValuesIn (allCases()), [] (const auto& test)
                          { return std::string (test.param.setting.name) + "Blocks" + std::to_string (test.param.blockSize); });
