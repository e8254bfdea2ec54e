#include "ProcessorFixture.h"
#include "engine/SoftClip.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

using zobtest::ProcessorFixture;

namespace
{
constexpr float fullVelocity = 127.0f * 0.007874016f;

/** A 1 s kick at the host rate whose sample i is a slow ramp, distinct at every index and
    well below the clipper's knee. */
float ramp (int, int i) { return 0.1f + 0.5f * (float) i / 48000.0f; }

void prepareRampKick (ProcessorFixture& f)
{
    f.setKick (1, 48000, ProcessorFixture::hostRate, ramp);
    f.prepare();
}
} // namespace

TEST (AudioBlock, NoteOnsStartTheKickAtTheirSample)
{
    ProcessorFixture f;
    prepareRampKick (f);

    f.addNoteOn (100);
    f.runBlock();

    for (int i = 0; i < 100; ++i)
        ASSERT_EQ (f.buffer.getSample (0, i), 0.0f) << i;

    for (int i = 100; i < 512; ++i)
    {
        ASSERT_FLOAT_EQ (f.buffer.getSample (0, i), fullVelocity * ramp (0, i - 100)) << i;
        ASSERT_FLOAT_EQ (f.buffer.getSample (1, i), f.buffer.getSample (0, i)) << i;
    }

    EXPECT_NE (f.processor.lastTriggerTime.load(), 0u);
}

TEST (AudioBlock, VelocitySetsTheLevelOnAnyChannelAndNote)
{
    ProcessorFixture f;
    prepareRampKick (f);

    f.addNoteOn (0, 64, 10, 3);
    f.runBlock();

    EXPECT_FLOAT_EQ (f.buffer.getSample (0, 0), 64.0f * 0.007874016f * ramp (0, 0));
}

TEST (AudioBlock, SecondNoteOnFadesTheKickOutAndRestartsIt)
{
    ProcessorFixture f;
    prepareRampKick (f);

    f.addNoteOn (10);
    f.addNoteOn (20);
    f.runBlock();

    const auto fadeSamples = 0.003 * ProcessorFixture::hostRate; // 144
    EXPECT_FLOAT_EQ (f.buffer.getSample (0, 19), fullVelocity * ramp (0, 9));
    EXPECT_NEAR (f.buffer.getSample (0, 20), fullVelocity * ramp (0, 10) * (1.0 - 1.0 / fadeSamples), 1.0e-5);

    // The fade-out reaches silence after 3 ms, where the kick restarts from its first sample.
    auto restart = 20;
    for (int i = 20; i < 400; ++i)
        if (std::abs (f.buffer.getSample (0, i)) < std::abs (f.buffer.getSample (0, restart)))
            restart = i;

    EXPECT_NEAR (restart, 20 + fadeSamples - 1, 1.0);
    EXPECT_LT (std::abs (f.buffer.getSample (0, restart)), 1.0e-3f);

    // ... and fades in over 3 ms, playing the kick from its start.
    const auto halfway = restart + 72;
    EXPECT_NEAR (f.buffer.getSample (0, halfway), fullVelocity * ramp (0, 72) * 0.5f, 2.0e-3f);
    EXPECT_NEAR (f.buffer.getSample (0, restart + 200), fullVelocity * ramp (0, 200), 1.0e-5f);
}

TEST (AudioBlock, NoteOffsAndOtherEventsChangeNothing)
{
    const juce::MidiMessage events[] = {
        juce::MidiMessage::noteOff (1, 60),
        juce::MidiMessage::noteOn (1, 60, (juce::uint8) 0),
        juce::MidiMessage::controllerEvent (1, 7, 20),
        juce::MidiMessage::controllerEvent (1, 121, 0),
        juce::MidiMessage::pitchWheel (1, 100),
        juce::MidiMessage::programChange (1, 3),
        juce::MidiMessage::channelPressureChange (1, 90),
    };

    ProcessorFixture reference;
    prepareRampKick (reference);
    reference.addNoteOn (0);
    reference.runBlock();

    for (const auto& event : events)
    {
        ProcessorFixture f;
        prepareRampKick (f);
        f.addNoteOn (0);
        f.midi.addEvent (event, 50);
        f.runBlock();

        for (int i = 0; i < 512; ++i)
            ASSERT_EQ (f.buffer.getSample (0, i), reference.buffer.getSample (0, i)) << event.getDescription() << " at " << i;
    }

    // A velocity-0 note-on alone does not start the kick.
    ProcessorFixture silent;
    prepareRampKick (silent);
    silent.addNoteOn (0, 0);
    silent.runBlock();
    EXPECT_EQ (silent.buffer.getMagnitude (0, 512), 0.0f);
}

TEST (AudioBlock, AllNotesOffAndAllSoundOffStopTheKickAtTheirSample)
{
    for (const auto controller : { 120, 123 })
    {
        ProcessorFixture f;
        prepareRampKick (f);
        f.addNoteOn (0);
        f.midi.addEvent (juce::MidiMessage::controllerEvent (5, controller, 0), 50);
        f.runBlock();

        EXPECT_GT (f.buffer.getSample (0, 49), 0.0f) << controller;
        EXPECT_EQ (f.buffer.getMagnitude (0, 50, 462), 0.0f) << controller;

        f.runBlock();
        EXPECT_EQ (f.buffer.getMagnitude (0, 512), 0.0f) << controller;
    }
}

TEST (AudioBlock, EventsOutsideTheBlockAreHandledAtItsEdges)
{
    // Stamped beyond the end: handled after the whole block has been rendered.
    ProcessorFixture late;
    prepareRampKick (late);
    late.addNoteOn (900);
    late.runBlock();
    EXPECT_EQ (late.buffer.getMagnitude (0, 512), 0.0f);

    late.runBlock();
    EXPECT_FLOAT_EQ (late.buffer.getSample (0, 0), fullVelocity * ramp (0, 0));

    // Stamped before the start: handled at sample 0.
    ProcessorFixture early;
    prepareRampKick (early);
    early.addNoteOn (-30);
    early.runBlock();
    EXPECT_FLOAT_EQ (early.buffer.getSample (0, 0), fullVelocity * ramp (0, 0));
}

TEST (AudioBlock, PadNotesArePlayedAndABlockWithoutSamplesKeepsThemPending)
{
    ProcessorFixture f;
    prepareRampKick (f);

    f.processor.keyboardState.noteOn (1, 60, 1.0f);
    f.runBlock (0);

    // Nothing was stamped at a negative position, and the note still waits for a real block.
    f.processor.keyboardState.noteOff (1, 60, 0.0f);
    f.runBlock();
    EXPECT_FLOAT_EQ (f.buffer.getSample (0, 0), fullVelocity * ramp (0, 0));
    EXPECT_NEAR (f.buffer.getSample (0, 511), fullVelocity * ramp (0, 511), 1.0e-6f);
}

TEST (AudioBlock, ZeroSampleBlockDoesNotStampPadEventsBeforeTheBlock)
{
    ProcessorFixture f;
    prepareRampKick (f);

    f.processor.keyboardState.noteOn (1, 60, 1.0f);
    juce::AudioBuffer<float> empty (2, 0);
    juce::MidiBuffer midi;
    midi.ensureSize (256);
    midi.addEvent (juce::MidiMessage::controllerEvent (1, 7, 100), 0);

    {
        zobtest::AllocationCheck check;
        f.processor.processBlock (empty, midi);
        EXPECT_EQ (check.count(), 0u);
    }

    // The host's buffer holds its own event and nothing else: the pad's note was neither
    // stamped before the block nor added to what the host sees.
    auto events = 0;
    for (const auto event : midi)
    {
        ++events;
        EXPECT_EQ (event.samplePosition, 0);
        EXPECT_TRUE (event.getMessage().isControllerOfType (7));
    }
    EXPECT_EQ (events, 1);

    // The note waited for the next block with samples, and plays from its start.
    f.runBlock();
    EXPECT_FLOAT_EQ (f.buffer.getSample (0, 0), fullVelocity * ramp (0, 0));
}

TEST (AudioBlock, PrepareDropsPendingPadNotesAndKeepsTheFadesAndMeters)
{
    ProcessorFixture f;
    prepareRampKick (f);
    f.addNoteOn (0);
    f.processor.compareEnabled = true;
    f.runBlock();

    const auto wet = f.processor.currentWet;
    const auto peak = f.processor.peakLeft.load();
    ASSERT_LT (wet, 1.0f);
    ASSERT_GT (peak, 0.0f);

    // A rate that is not above 0 counts as 44100 Hz; the block size is not used.
    f.processor.keyboardState.noteOn (1, 60, 1.0f);
    f.processor.prepareToPlay (0.0, 7);

    EXPECT_EQ (f.processor.hostSampleRate, 44100.0);
    EXPECT_EQ (f.processor.voice.outputSampleRate, 44100.0);
    EXPECT_EQ (f.processor.voice.sample, &f.processor.loadedSample);
    EXPECT_FALSE (f.processor.voice.playing);
    EXPECT_EQ (f.processor.currentWet, wet);
    EXPECT_EQ (f.processor.previousWet, wet);
    EXPECT_EQ (f.processor.peakLeft.load(), peak);
    EXPECT_FALSE (f.processor.keyboardState.isNoteOn (1, 60));

    // The pad's note was dropped with the keyboard state; the compare fade now runs at 44.1 kHz.
    f.runBlock();
    EXPECT_EQ (f.buffer.getMagnitude (0, 512), 0.0f);
    EXPECT_NEAR (f.processor.currentWet, wet - 512.0f / (0.08f * 44100.0f), 1.0e-6f);
}

TEST (AudioBlock, OutputIsSilentAtOrBelowMinus59Point9Decibels)
{
    struct Case
    {
        float decibels;
        float gain;
    };

    const Case cases[] = {
        { -60.0f, 0.0f },
        { -59.9f, 0.0f },
        { -59.8f, std::pow (10.0f, -2.99f) },
        { -6.0f, std::pow (10.0f, -0.3f) },
        { 0.0f, 1.0f },
    };

    for (const auto& c : cases)
    {
        ProcessorFixture f;
        f.setKick (1, 48000, ProcessorFixture::hostRate, [] (int, int)
                   { return 0.5f; });
        f.prepare();
        f.setParameter (ParameterIds::outputGainDb, c.decibels);
        f.runBlock(); // the gain ramps to its new value during this block

        f.addNoteOn (0);
        f.runBlock();

        for (int i = 0; i < 512; i += 37)
            ASSERT_NEAR (f.buffer.getSample (0, i), fullVelocity * 0.5f * c.gain, 1.0e-6f) << c.decibels << " dB at " << i;
    }
}

TEST (AudioBlock, OutputChangesRampLinearlyAcrossTheNextBlock)
{
    ProcessorFixture f;
    f.setKick (1, 48000, ProcessorFixture::hostRate, [] (int, int)
               { return 0.5f; });
    f.prepare();
    f.addNoteOn (0);
    f.runBlock();
    EXPECT_FLOAT_EQ (f.buffer.getSample (0, 511), fullVelocity * 0.5f);

    f.setParameter (ParameterIds::outputGainDb, -6.0f);
    f.runBlock();

    const auto target = std::pow (10.0f, -0.3f);

    for (int i = 0; i < 512; ++i)
        ASSERT_NEAR (f.buffer.getSample (0, i), fullVelocity * 0.5f * (1.0f + (target - 1.0f) * (float) i / 512.0f), 3.0e-6f) << i;

    f.runBlock();
    EXPECT_NEAR (f.buffer.getSample (0, 0), fullVelocity * 0.5f * target, 1.0e-6f);
    EXPECT_NEAR (f.buffer.getSample (0, 511), fullVelocity * 0.5f * target, 1.0e-6f);
}

TEST (AudioBlock, CompareFadesTheShapingOutOverEightyMilliseconds)
{
    // Shaped: every shaping control far from neutral, TUNE up an octave, OUTPUT down.
    auto configure = [] (ProcessorFixture& f, bool shaped)
    {
        f.setKick (2, 48000, ProcessorFixture::hostRate, [] (int c, int i)
                   { return (c == 0 ? 0.4f : 0.3f) * std::sin ((float) i * 0.01f); });
        f.prepare();
        f.setParameter (ParameterIds::tuneSemitones, 12.0f);
        f.setParameter (ParameterIds::outputGainDb, -3.0f);

        if (shaped)
        {
            f.setParameter (ParameterIds::transientAmount, 1.0f);
            f.setParameter (ParameterIds::punchAmount, 1.0f);
            f.setParameter (ParameterIds::lengthAmount, 0.0f);
            f.setParameter (ParameterIds::toneAmount, 1.0f);
        }

        f.runBlock(); // settles the OUTPUT ramp
    };

    ProcessorFixture compared, unshaped;
    configure (compared, true);
    configure (unshaped, false);

    compared.processor.compareEnabled = true;
    compared.addNoteOn (0);
    unshaped.addNoteOn (0);

    // 80 ms is 7.5 blocks of 512 at 48 kHz: the wet position falls by 512 / 3840 per block.
    for (int block = 1; block <= 40; ++block)
    {
        compared.runBlock();
        unshaped.runBlock();

        const auto expectedWet = std::max (0.0f, 1.0f - (float) block * 512.0f / 3840.0f);
        ASSERT_NEAR (compared.processor.currentWet, expectedWet, 1.0e-6f) << block;

        // The block that reaches 0 still fades; from the next one on the output is the
        // unshaped kick at its full length (shaped, LENGTH 0 would have silenced it by now),
        // still tuned and at the OUTPUT level. Only the 2 ms smoothing of the LENGTH gain
        // may still be settling.
        if (block < 9)
            continue;

        ASSERT_GT (unshaped.buffer.getMagnitude (0, 512), 0.01f) << block;

        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 512; ++i)
                ASSERT_NEAR (compared.buffer.getSample (c, i), unshaped.buffer.getSample (c, i), 1.0e-5f) << "block " << block << " sample " << i;
    }

    // Switching compare off fades the shaping back in at the same speed.
    compared.processor.compareEnabled = false;

    for (int block = 1; block <= 8; ++block)
    {
        compared.runBlock();
        ASSERT_NEAR (compared.processor.currentWet, std::min (1.0f, (float) block * 512.0f / 3840.0f), 1.0e-6f) << block;
    }
}

TEST (AudioBlock, CompareFadeMovesWithoutJumps)
{
    ProcessorFixture f;
    f.setKick (1, 96000, ProcessorFixture::hostRate, [] (int, int i)
               { return 0.5f * std::sin ((float) i * 0.005f); });
    f.prepare();
    f.setParameter (ParameterIds::punchAmount, 1.0f);
    f.setParameter (ParameterIds::toneAmount, -1.0f);
    f.addNoteOn (0);
    f.runBlock();

    auto previous = f.buffer.getSample (0, 511);

    auto largestStepOver = [&] (int blocks)
    {
        auto largest = 0.0f;

        for (int block = 0; block < blocks; ++block)
        {
            f.runBlock();

            for (int i = 0; i < 512; ++i)
            {
                largest = std::max (largest, std::abs (f.buffer.getSample (0, i) - previous));
                previous = f.buffer.getSample (0, i);
            }
        }

        return largest;
    };

    const auto steadyStep = largestStepOver (4);
    f.processor.compareEnabled = true;
    const auto fadingStep = largestStepOver (10);

    // Jumping the shaping by a whole block's share of the fade would step by several times this.
    EXPECT_LT (fadingStep, steadyStep * 1.5f + 0.002f);
}

TEST (AudioBlock, PeakMetersDecayWithAHalfLifeOf50Point9Milliseconds)
{
    ProcessorFixture f;
    f.setKick (2, 256, ProcessorFixture::hostRate, [] (int c, int)
               { return c == 0 ? 0.8f : 0.4f; });
    f.prepare();
    f.addNoteOn (0);
    f.runBlock();

    EXPECT_FLOAT_EQ (f.processor.peakLeft.load(), 0.8f * fullVelocity);
    EXPECT_FLOAT_EQ (f.processor.peakRight.load(), 0.4f * fullVelocity);

    const auto decay = (float) std::pow (0.5, (512.0 / 48000.0) / 0.0509);
    auto expectedLeft = 0.8f * fullVelocity;
    auto expectedRight = 0.4f * fullVelocity;

    for (int block = 0; block < 20; ++block)
    {
        f.runBlock();
        expectedLeft *= decay;
        expectedRight *= decay;
    }

    // 20 blocks of 512 are 213 ms: about 4.2 half-lives.
    EXPECT_NEAR (f.processor.peakLeft.load(), expectedLeft, expectedLeft * 1.0e-5f);
    EXPECT_NEAR (f.processor.peakRight.load(), expectedRight, expectedRight * 1.0e-5f);
    EXPECT_NEAR (f.processor.peakLeft.load(), 0.8f * std::pow (0.5f, (20.0f * 512.0f / 48000.0f) / 0.0509f), 1.0e-4f);
}

TEST (AudioBlock, MonoOutputGetsChannelZeroAndBothPeaksFollowIt)
{
    ProcessorFixture f;
    f.setKick (2, 48000, ProcessorFixture::hostRate, [] (int c, int)
               { return c == 0 ? 0.6f : 0.2f; });
    f.prepare();
    f.addNoteOn (0);
    f.runBlock (512, 1);

    EXPECT_FLOAT_EQ (f.buffer.getSample (0, 100), 0.6f * fullVelocity);
    EXPECT_FLOAT_EQ (f.processor.peakLeft.load(), 0.6f * fullVelocity);
    EXPECT_FLOAT_EQ (f.processor.peakRight.load(), 0.6f * fullVelocity);
}

TEST (AudioBlock, LoudKicksAreSoftClipped)
{
    ProcessorFixture f;
    f.setKick (1, 48000, ProcessorFixture::hostRate, [] (int, int)
               { return 0.95f; });
    f.prepare();
    f.setParameter (ParameterIds::outputGainDb, 12.0f);
    f.runBlock();
    f.addNoteOn (0);
    f.runBlock();

    EXPECT_FLOAT_EQ (f.buffer.getSample (0, 0), softClip (0.95f * fullVelocity * std::pow (10.0f, 0.6f)));
    EXPECT_LE (f.buffer.getMagnitude (0, 512), 1.0f);
}

TEST (AudioBlock, BusySampleLockCostsTheBlockItsVoiceAndEvents)
{
    ProcessorFixture f;
    prepareRampKick (f);

    f.processor.sampleLock.enter();
    f.addNoteOn (0);
    f.runBlock();
    f.processor.sampleLock.exit();
    EXPECT_EQ (f.buffer.getMagnitude (0, 512), 0.0f);

    f.runBlock();
    EXPECT_EQ (f.buffer.getMagnitude (0, 512), 0.0f); // the note-on was lost, not delayed
}

TEST (SoftClip, IsTransparentToTheKneeThenApproachesOne)
{
    struct Case
    {
        float input;
        float output;
    };

    const auto headroom = 0.100000024f;
    const Case cases[] = {
        { 0.0f, 0.0f },
        { 0.5f, 0.5f },
        { -0.9f, -0.9f },
        { 0.9f, 0.9f },
        { 0.95f, 0.9f + headroom * tanhf (0.5f) },
        { -0.95f, -(0.9f + headroom * tanhf (0.5f)) },
        { 1.0f, 0.9f + headroom * tanhf (1.0f) },
    };

    for (const auto& c : cases)
        EXPECT_FLOAT_EQ (softClip (c.input), c.output) << c.input;

    // Continuous with slope 1 at the knee, monotonic, never beyond 1 (float tanh rounds to 1
    // far past the knee).
    EXPECT_NEAR ((softClip (0.9001f) - softClip (0.9f)) / 0.0001f, 1.0f, 1.0e-2f);

    for (auto x = 0.0f; x < 20.0f; x += 0.01f)
    {
        ASSERT_LE (softClip (x), softClip (x + 0.01f)) << x;
        ASSERT_LE (softClip (x), 1.0f) << x;
        ASSERT_EQ (softClip (-x), -softClip (x)) << x;
    }

    EXPECT_LT (softClip (1.5f), 1.0f);
}

TEST (SoftClip, InPlaceChangesOnlyBlocksThatGoBeyondTheKnee)
{
    constexpr auto infinity = std::numeric_limits<float>::infinity();
    const std::vector<std::vector<float>> blocks {
        { 0.0f, -0.0f, 0.9f, -0.9f, 0.5f, 0.8999999f, -0.3f, 0.1f, 0.2f }, // within: left as it is
        { 0.1f, 0.2f, 0.9000001f, 0.3f },
        { -0.95f, 0.5f },
        { 0.5f, 0.6f, 0.7f, 0.8f, 0.85f, 0.89f, 0.1f, 0.2f, 0.3f, 2.0f }, // beyond only in the last
        { infinity, -infinity, 0.5f },
        { std::numeric_limits<float>::quiet_NaN(), 0.95f },
    };

    for (const auto& block : blocks)
    {
        auto clipped = block;
        softClipInPlace (clipped.data(), (int) clipped.size());

        for (size_t i = 0; i < block.size(); ++i)
        {
            const auto expected = softClip (block[i]);

            if (std::isnan (expected))
                EXPECT_TRUE (std::isnan (clipped[i]));
            else
                EXPECT_EQ (std::memcmp (&clipped[i], &expected, sizeof (float)), 0) << block[i] << " gave " << clipped[i];
        }
    }
}
