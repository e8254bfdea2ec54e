#include "StateTestSupport.h"
#include "engine/LengthCurve.h"
#include "engine/RandomiseRanges.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace statetest;

namespace
{
constexpr auto valueTolerance = 1.0e-6f;

void expectValues (const ZobAudioProcessor& processor, const std::array<float, 6>& expected, const juce::String& label)
{
    const auto actual = rawValues (processor);

    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR (actual[i], expected[i], valueTolerance) << label << ", value " << i;
}

/** Counts the change gestures the processor reports to its host. */
struct GestureCounter : juce::AudioProcessorListener
{
    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override { ++changes; }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int) override { ++begins; }
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int) override { ++ends; }

    int begins = 0, ends = 0, changes = 0;
};
} // namespace

//==============================================================================
TEST (UndoHistory, KeepsTheLatest64Steps)
{
    zobtest::ScopedTempHome home;
    ZobAudioProcessor processor;

    for (int push = 0; push < 65; ++push)
    {
        processor.setParameterWithGesture (ParameterIds::outputGainDb, -0.5f * (float) push);
        processor.pushUndoSnapshot();
    }

    ASSERT_EQ (processor.undoStack.size(), 64u);
    EXPECT_FLOAT_EQ (processor.undoStack.front().outputGainDb, -0.5f) << "the first push is gone";
    EXPECT_FLOAT_EQ (processor.undoStack.back().outputGainDb, -32.0f);

    // Undoing everything walks back through the 64 kept steps, newest first; the two
    // stacks never hold more than 64 between them after that.
    for (int step = 64; step >= 1; --step)
    {
        ASSERT_TRUE (processor.undo());
        EXPECT_FLOAT_EQ (processor.getParameterValue (ParameterIds::outputGainDb, 0.0f), -0.5f * (float) step);
    }

    EXPECT_FALSE (processor.undo());
    EXPECT_EQ (processor.redoStack.size(), 64u);

    while (processor.redo())
    {
    }

    EXPECT_EQ (processor.undoStack.size(), 64u);
    EXPECT_FLOAT_EQ (processor.getParameterValue (ParameterIds::outputGainDb, 0.0f), -32.0f);
}

TEST (UndoHistory, APushAfterAnUndoForgetsTheRedoSide)
{
    zobtest::ScopedTempHome home;
    ZobAudioProcessor processor;

    processor.pushUndoSnapshot();
    processor.pushUndoSnapshot();
    ASSERT_TRUE (processor.undo());
    ASSERT_EQ (processor.redoStack.size(), 1u);

    processor.pushUndoSnapshot();
    EXPECT_TRUE (processor.redoStack.empty());
    EXPECT_EQ (processor.undoStack.size(), 2u);
    EXPECT_FALSE (processor.redo());
}

TEST (UndoHistory, UndoAndRedoBringBackTheValuesAndTheKick)
{
    zobtest::ScopedTempHome home;
    const auto kicks = home.home().getChildFile ("Kicks");
    const auto first = kicks.getChildFile ("First.wav");
    const auto second = kicks.getChildFile ("Second.wav");
    ASSERT_TRUE (writeKick (first, 50.0, 1000));
    ASSERT_TRUE (writeKick (second, 70.0, 2000));

    ZobAudioProcessor processor;
    int notices = 0;
    processor.onStateRestored = [&notices]
    { ++notices; };

    // TUNE and OUTPUT land on their intervals (0.01 semitone, 0.1 dB) so they compare exactly.
    const std::array<float, 6> before { 0.1f, 0.2f, 0.3f, -0.4f, -3.0f, 1.5f };
    const std::array<float, 6> middle { 0.5f, 0.6f, 0.7f, 0.8f, -9.5f, -7.25f };
    const std::array<float, 6> after { 0.9f, 0.0f, 1.0f, -1.0f, 6.0f, 12.0f };

    ASSERT_TRUE (processor.loadSample (first));
    setValues (processor, before);

    processor.pushUndoSnapshot(); // before choosing another kick
    ASSERT_TRUE (processor.loadSample (second));
    setValues (processor, middle);

    processor.pushUndoSnapshot(); // at a gesture start
    setValues (processor, after);

    struct Step
    {
        const char* name;
        bool (ZobAudioProcessor::*action)();
        const std::array<float, 6>& values;
        const juce::File& kick;
    };

    const Step steps[] {
        { "first undo", &ZobAudioProcessor::undo, middle, second },
        { "second undo", &ZobAudioProcessor::undo, before, first },
        { "first redo", &ZobAudioProcessor::redo, middle, second },
        { "second redo", &ZobAudioProcessor::redo, after, second },
    };

    for (const auto& step : steps)
    {
        const auto noticesBefore = notices;
        ASSERT_TRUE ((processor.*step.action)()) << step.name;
        EXPECT_EQ (notices, noticesBefore + 1) << step.name << ": one synchronous notice";
        expectValues (processor, step.values, step.name);
        EXPECT_EQ (processor.samplePath, step.kick.getFullPathName()) << step.name;
        EXPECT_EQ (processor.loadedSample.fileName, step.kick.getFileName()) << step.name;
    }

    EXPECT_FALSE (processor.redo());
    EXPECT_EQ (notices, 4) << "a refused redo posts no notice";
}

TEST (UndoHistory, EmptyHistoryChangesNothing)
{
    zobtest::ScopedTempHome home;
    ZobAudioProcessor processor;
    int notices = 0;
    processor.onStateRestored = [&notices]
    { ++notices; };
    setValues (processor, { 0.3f, 0.3f, 0.3f, 0.3f, -3.0f, 3.0f });

    EXPECT_FALSE (processor.undo());
    EXPECT_FALSE (processor.redo());
    EXPECT_EQ (notices, 0);
    EXPECT_TRUE (processor.undoStack.empty());
    EXPECT_TRUE (processor.redoStack.empty());
    expectValues (processor, { 0.3f, 0.3f, 0.3f, 0.3f, -3.0f, 3.0f }, "after refused undo and redo");

    processor.onStateRestored = nullptr; // nobody listening is fine
    processor.pushUndoSnapshot();
    EXPECT_TRUE (processor.undo());
}

TEST (UndoHistory, AKickThatCannotBeLoadedStaysOutButTheValuesReturn)
{
    zobtest::ScopedTempHome home;
    const auto kicks = home.home().getChildFile ("Kicks");
    const auto current = kicks.getChildFile ("Current.wav");
    const auto vanished = kicks.getChildFile ("Vanished.wav");
    const auto notAudio = kicks.getChildFile ("Notes.wav");
    ASSERT_TRUE (writeKick (current, 50.0, 1500));
    ASSERT_TRUE (writeKick (kicks.getChildFile ("Other.wav")));
    ASSERT_TRUE (notAudio.replaceWithText ("not a wave file"));

    // A relative path (a hand-edited one) is not looked up in the working folder, where
    // "Other.wav" exists.
    const ScopedWorkingDirectory workingFolder (kicks);

    const juce::String paths[] { vanished.getFullPathName(), notAudio.getFullPathName(), kicks.getFullPathName(), "Other.wav", "./Other.wav", "" };

    for (const auto& path : paths)
    {
        ZobAudioProcessor processor;
        ASSERT_TRUE (processor.loadSample (current));

        StateSnapshot snapshot;
        snapshot.transientAmount = 0.5f;
        snapshot.samplePath = path;
        processor.undoStack.push_back (snapshot);
        ASSERT_TRUE (processor.undo()) << path;

        EXPECT_EQ (processor.samplePath, current.getFullPathName()) << path;
        EXPECT_EQ (processor.loadedSample.fileName, "Current.wav") << path;
        EXPECT_FLOAT_EQ (processor.getParameterValue (ParameterIds::transientAmount, -1.0f), 0.5f) << path;

        // The redo side holds the sound as it was before the undo: the current kick.
        EXPECT_EQ (processor.redoStack.back().samplePath, current.getFullPathName()) << path;
    }
}

TEST (UndoHistory, ParameterWritesAreGesturesWithinTheRanges)
{
    zobtest::ScopedTempHome home;
    ZobAudioProcessor processor;
    GestureCounter gestures;
    processor.addListener (&gestures);

    struct Case
    {
        const juce::String& id;
        float given, expected;
    };

    const Case cases[] {
        { ParameterIds::transientAmount, 0.42f, 0.42f },
        { ParameterIds::punchAmount, 3.0f, 1.0f },
        { ParameterIds::lengthAmount, -1.0f, 0.0f },
        { ParameterIds::toneAmount, -0.25f, -0.25f },
        { ParameterIds::tuneSemitones, 3.333f, 3.33f }, // snapped to 0.01
        { ParameterIds::outputGainDb, -12.34f, -12.3f }, // snapped to 0.1
        { ParameterIds::outputGainDb, -100.0f, -60.0f },
    };

    for (const auto& testCase : cases)
    {
        processor.setParameterWithGesture (testCase.id, testCase.given);
        EXPECT_NEAR (processor.getParameterValue (testCase.id, -99.0f), testCase.expected, 1.0e-5f) << testCase.id << " " << testCase.given;
    }

    EXPECT_EQ (gestures.begins, 7);
    EXPECT_EQ (gestures.ends, 7);

    processor.setParameterWithGesture ("noSuchParameter", 1.0f);
    EXPECT_EQ (gestures.begins, 7);
    EXPECT_FLOAT_EQ (processor.getParameterValue ("noSuchParameter", 0.625f), 0.625f);

    processor.pushUndoSnapshot();
    processor.setParameterWithGesture (ParameterIds::toneAmount, 0.5f);
    gestures.begins = gestures.ends = 0;
    ASSERT_TRUE (processor.undo());
    EXPECT_EQ (gestures.begins, 6) << "undo sets all six as gestures";
    EXPECT_EQ (gestures.ends, 6);

    processor.removeListener (&gestures);
}

TEST (UndoHistory, ResetShapingRestoresTheFourShapingDefaults)
{
    zobtest::ScopedTempHome home;
    ZobAudioProcessor processor;
    setValues (processor, { 0.7f, 0.7f, 0.2f, 0.9f, -20.0f, -5.0f });

    processor.resetShaping();
    expectValues (processor, { 0.0f, 0.0f, 1.0f, 0.0f, -20.0f, -5.0f }, "after reset");
    EXPECT_TRUE (processor.undoStack.empty()) << "resetting is no undo step of its own";
}

//==============================================================================
TEST (Randomise, RangesAreTheTable)
{
    ASSERT_EQ (randomiseRanges.size(), 4u);

    const std::tuple<const juce::String*, float, float> expected[] {
        { &ParameterIds::transientAmount, 0.0f, 0.7f },
        { &ParameterIds::punchAmount, 0.0f, 0.75f },
        { &ParameterIds::lengthAmount, 0.3343077f, 1.0f },
        { &ParameterIds::toneAmount, -0.55f, 0.55f },
    };

    for (size_t i = 0; i < randomiseRanges.size(); ++i)
    {
        const auto& [id, minValue, maxValue] = expected[i];
        EXPECT_EQ (&randomiseRanges[i].parameterID, id) << i << ": the shared ID string itself";
        EXPECT_FLOAT_EQ (randomiseRanges[i].minValue, minValue) << i;
        EXPECT_FLOAT_EQ (randomiseRanges[i].maxValue, maxValue) << i;
    }

    EXPECT_EQ (randomiseRanges[2].minValue, stageValueToLength (7.0 / 13.0));
    EXPECT_NEAR (lengthToStageValue (randomiseRanges[2].minValue), 7.0 / 13.0, 1.0e-6);
}

TEST (Randomise, RollsTheFourShapingControlsWithinTheTable)
{
    zobtest::ScopedTempHome home;
    const auto kick = home.home().getChildFile ("Kicks").getChildFile ("Kick.wav");
    ASSERT_TRUE (writeKick (kick));

    ZobAudioProcessor processor;
    ASSERT_TRUE (processor.loadSample (kick));
    int notices = 0;
    processor.onStateRestored = [&notices]
    { ++notices; };

    const std::array<float, 6> start { 0.05f, 0.1f, 0.15f, -0.2f, -7.5f, 4.0f };
    setValues (processor, start);

    std::array<float, 4> lowest { 2.0f, 2.0f, 2.0f, 2.0f }, highest { -2.0f, -2.0f, -2.0f, -2.0f };
    constexpr int rolls = 300;

    for (int roll = 0; roll < rolls; ++roll)
    {
        processor.randomiseShaping();
        const auto values = rawValues (processor);

        for (size_t i = 0; i < 4; ++i)
        {
            EXPECT_GE (values[i], randomiseRanges[i].minValue) << i;
            EXPECT_LE (values[i], randomiseRanges[i].maxValue) << i;
            lowest[i] = std::min (lowest[i], values[i]);
            highest[i] = std::max (highest[i], values[i]);
        }

        EXPECT_FLOAT_EQ (values[4], -7.5f);
        EXPECT_FLOAT_EQ (values[5], 4.0f);
    }

    // The rolls spread over the ranges rather than sitting at one value.
    for (size_t i = 0; i < 4; ++i)
    {
        const auto span = randomiseRanges[i].maxValue - randomiseRanges[i].minValue;
        EXPECT_LT (lowest[i], randomiseRanges[i].minValue + 0.1f * span) << i;
        EXPECT_GT (highest[i], randomiseRanges[i].maxValue - 0.1f * span) << i;
    }

    EXPECT_EQ (notices, 0) << "randomise posts no notice";
    EXPECT_EQ (processor.samplePath, kick.getFullPathName());
    EXPECT_EQ (processor.undoStack.size(), 64u);

    // One undo per roll: unwinding the last 64 rolls ends at the values before them.
    for (int i = 0; i < 64; ++i)
        ASSERT_TRUE (processor.undo());

    const auto afterUndo = rawValues (processor);
    EXPECT_FLOAT_EQ (afterUndo[4], -7.5f);
    EXPECT_FLOAT_EQ (afterUndo[5], 4.0f);
    EXPECT_EQ (processor.samplePath, kick.getFullPathName());
}

TEST (Randomise, OneUndoTakesARollBack)
{
    zobtest::ScopedTempHome home;
    ZobAudioProcessor processor;
    const std::array<float, 6> start { 0.05f, 0.1f, 0.15f, -0.2f, -7.5f, 4.0f };
    setValues (processor, start);

    processor.randomiseShaping();
    ASSERT_EQ (processor.undoStack.size(), 1u);
    ASSERT_TRUE (processor.undo());
    expectValues (processor, start, "after undoing the roll");
}
