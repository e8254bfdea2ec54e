// The audio thread's rule, checked on the program's own processor: after its first block,
// processBlock never allocates or frees, never waits on a lock, takes no lock but the pad's
// keyboard state's (JUCE's MidiKeyboardState, merged into every block by design), and never
// touches a file, at any rate, block size or event the host can throw at it.

#include "engine/ZobAudioProcessor.h"

#include "support/AudioFileBytes.h"
#include "support/BlockDriver.h"
#include "support/RealtimeTrap.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{
/** A processor with a kick loaded from a file, whose keyboard state's lock is allowed. */
struct TrappedProcessor
{
    TrappedProcessor()
    {
        zobtest::RealtimeTrap::allowLocksWithin (&processor.keyboardState, sizeof (processor.keyboardState));
        const auto kick = home.temp().getChildFile ("rt kick.wav");
        zobtest::writeBytes (kick, zobtest::makeKickWav());
        EXPECT_TRUE (processor.loadSample (kick));
    }

    ~TrappedProcessor() { zobtest::RealtimeTrap::clearAllowedLocks(); }

    std::vector<juce::AudioProcessorParameter*> allParameters()
    {
        std::vector<juce::AudioProcessorParameter*> result;

        for (auto* parameter : processor.getParameters())
            result.push_back (parameter);

        return result;
    }

    zobtest::ScopedTempHome home;
    ZobAudioProcessor processor;
};

::testing::AssertionResult trapIsClean (const zobtest::RealtimeTrap& trap)
{
    if (trap.isClean() && trap.locksTaken == 0)
        return ::testing::AssertionSuccess();

    return ::testing::AssertionFailure() << trap.report();
}
} // namespace

class RealtimeSafetyAtRate : public ::testing::TestWithParam<double>
{
};

TEST_P (RealtimeSafetyAtRate, EveryBlockSizeEventAndAutomationStaysOffTheHeapLocksAndFiles)
{
    const auto rate = GetParam();
    TrappedProcessor rig;
    auto& processor = rig.processor;
    processor.prepareToPlay (rate, 4096);

    zobtest::BlockDriver driver (processor, rig.allParameters());
    const auto samplesPerSize = (int) (rate * 0.2);

    for (int blockSize : { 1, 32, 64, 441, 512, 1024, 4096, 0 /* random */ })
    {
        SCOPED_TRACE ("block size " + juce::String (blockSize));

        // The pad's notes arrive through the keyboard state, and the compare fade runs the
        // chain in short steps while it moves.
        processor.keyboardState.noteOn (1, 60, 1.0f);
        processor.keyboardState.noteOff (1, 60, 0.0f);
        processor.compareEnabled = ! processor.compareEnabled;

        EXPECT_TRUE (driver.run (blockSize == 1 ? samplesPerSize / 8 : samplesPerSize, blockSize));
    }

    // Hosts prepare again without releasing first, and send blocks without samples.
    processor.prepareToPlay (rate, 64);
    EXPECT_TRUE (driver.run (samplesPerSize / 4, 64));
    EXPECT_TRUE (driver.processOne (0));

    EXPECT_GT (driver.trap.calls, 100u);
    EXPECT_TRUE (trapIsClean (driver.trap));
}

INSTANTIATE_TEST_SUITE_P (Rates, RealtimeSafetyAtRate, ::testing::Values (44100.0, 48000.0, 96000.0, 192000.0), [] (const auto& test)
                          { return std::to_string ((int) test.param); });

// JUCE's standalone player hands processBlock a MIDI buffer that starts without spare room.
// The pad's notes must still play without the block allocating, and the host's buffer comes
// back as it went in: a plug-in without MIDI output sends nothing on.
TEST (RealtimeSafety, PadNotesPlayWithoutGrowingTheHostsEventBuffer)
{
    TrappedProcessor rig;
    auto& processor = rig.processor;
    processor.prepareToPlay (48000.0, 512);

    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer hostEvents; // no room made, as JUCE's standalone player has it
    processor.processBlock (buffer, hostEvents);

    zobtest::RealtimeTrap trap;

    for (int block = 0; block < 4; ++block)
    {
        processor.keyboardState.noteOn (1, 60, 1.0f);
        processor.keyboardState.noteOff (1, 60, 0.0f);
        hostEvents.addEvent (juce::MidiMessage::noteOff (2, 40), 7);
        trap.run ([&]
                  { processor.processBlock (buffer, hostEvents); });

        EXPECT_EQ (hostEvents.getNumEvents(), block + 1) << "the host's events changed";
        EXPECT_GT (buffer.getMagnitude (0, 0, 512), 0.05f) << "the pad's note did not play";
    }

    EXPECT_TRUE (trapIsClean (trap));
}

// The trap itself: each kind of fault it is there to catch is seen, and named.
TEST (RealtimeTrap, CountsEveryKindOfFaultAndNamesTheFirst)
{
    zobtest::RealtimeTrap trap;
    trap.run ([]
              {
                  int* volatile number = new int (1);
                  delete number; });
    EXPECT_EQ (trap.allocations, 1u);
    EXPECT_EQ (trap.deallocations, 1u);
    EXPECT_NE (trap.report().find ("first malloc"), std::string::npos) << trap.report();

    const auto file = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("trap.txt");
    trap.run ([&]
              { file.replaceWithText ("x"); });
    EXPECT_GT (trap.fileAccesses, 0u);

    if (! zobtest::RealtimeTrap::countsLocks())
        GTEST_SKIP() << "this build counts no locks";

    zobtest::RealtimeTrap locks;
    juce::CriticalSection lock;
    locks.run ([&]
               { const juce::ScopedLock held (lock); });
    EXPECT_EQ (locks.locksTaken, 1u);
    EXPECT_EQ (locks.lockWaits, 0u);

    // A lock another thread holds is a wait; an allowed lock is not counted at all.
    auto takeWhileHeldElsewhere = [&locks] (juce::CriticalSection& contended)
    {
        std::atomic<bool> held { false }, release { false };
        std::thread holder ([&]
                            {
                                const juce::ScopedLock locked (contended);
                                held = true;

                                while (! release)
                                    std::this_thread::yield(); });

        while (! held)
            std::this_thread::yield();

        std::thread releaser ([&]
                              {
                                  std::this_thread::sleep_for (std::chrono::milliseconds (20));
                                  release = true; });
        locks.run ([&]
                   { const juce::ScopedLock waited (contended); });
        holder.join();
        releaser.join();
    };

    takeWhileHeldElsewhere (lock);
    EXPECT_EQ (locks.locksTaken, 2u);
    EXPECT_EQ (locks.lockWaits, 1u);

    juce::CriticalSection allowed;
    zobtest::RealtimeTrap::allowLocksWithin (&allowed, sizeof (allowed));
    takeWhileHeldElsewhere (allowed);
    zobtest::RealtimeTrap::clearAllowedLocks();
    EXPECT_EQ (locks.locksTaken, 2u);
    EXPECT_EQ (locks.lockWaits, 1u);

    locks.run ([]
               { std::this_thread::sleep_for (std::chrono::milliseconds (1)); });
    EXPECT_EQ (locks.lockWaits, 2u);
}
