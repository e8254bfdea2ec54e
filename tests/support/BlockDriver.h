#pragma once

#include "support/RealtimeTrap.h"

#include <gtest/gtest.h>
#include <juce_audio_processors/juce_audio_processors.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace zobtest
{
/** Checks every output sample: finite, not subnormal, and within the soft clipper's bound
    (which float rounding lets reach 1.0 exactly, never beyond). */
inline ::testing::AssertionResult outputIsClean (const juce::AudioBuffer<float>& buffer, int numSamples)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
    {
        for (int i = 0; i < numSamples; ++i)
        {
            const auto x = buffer.getSample (channel, i);

            if (! std::isfinite (x) || std::fpclassify (x) == FP_SUBNORMAL || std::abs (x) > 1.0f)
                return ::testing::AssertionFailure() << "sample " << i << " of channel " << channel << " is " << x;
        }
    }

    return ::testing::AssertionSuccess();
}

/** Drives a processor like a busy host: blocks of a fixed or a random size (1 to 4096
    samples), note-ons on any channel and note, all-notes-off and all-sound-off at random
    sample positions, and the automated parameters moved before every block (a host hands a
    plug-in one value per parameter and block, so at blocks of 32 samples or fewer that is
    every 32 samples or more often). Every block after the first runs inside the trap, and
    its output is checked.

    Works on any juce::AudioProcessor: the program's own processor in a unit test, or a
    plug-in instance that a host test has loaded.
*/
struct BlockDriver
{
    BlockDriver (juce::AudioProcessor& processorToDrive,
                 std::vector<juce::AudioProcessorParameter*> parametersToAutomate,
                 juce::int64 seed = 1234)
        : processor (processorToDrive), parameters (std::move (parametersToAutomate)), random (seed)
    {
    }

    /** Runs blocks until at least numSamples samples have been processed; blockSize 0
        picks a new random size for every block. */
    ::testing::AssertionResult run (int numSamples, int blockSize)
    {
        for (int done = 0; done < numSamples;)
        {
            const auto n = blockSize > 0 ? blockSize : 1 + random.nextInt (maxBlockSize);

            if (auto result = processOne (n); ! result)
                return result;

            done += n;
        }

        return ::testing::AssertionSuccess();
    }

    ::testing::AssertionResult processOne (int n)
    {
        jassert (n <= maxBlockSize);
        midi.clear();

        if (n > 0 && random.nextInt (4) == 0)
            midi.addEvent (juce::MidiMessage::noteOn (1 + random.nextInt (16), random.nextInt (128), (juce::uint8) (1 + random.nextInt (127))), random.nextInt (n));

        if (n > 0 && random.nextInt (40) == 0)
            midi.addEvent (juce::MidiMessage::controllerEvent (1 + random.nextInt (16), random.nextBool() ? 120 : 123, 0), random.nextInt (n));

        // The first, untrapped block carries more notes than any later one (note-offs,
        // which change nothing), so a host's own event list has grown to its size before
        // the trap is armed. (A VST3 host turns controllers into parameter changes.)
        if (blocks == 0)
            for (int i = 0; i < 4; ++i)
                midi.addEvent (juce::MidiMessage::noteOff (1, 60 + i), 0);

        // The host's automation, set before the block. A plug-in instance that a host test
        // loaded applies it inside processBlock, so the trap covers that; the program's own
        // processor reads the values it was given (JUCE's wrapper sets them, taking the
        // parameters' listener locks, before it calls processBlock).
        for (auto* parameter : parameters)
            parameter->setValueNotifyingHost (random.nextFloat());

        juce::AudioBuffer<float> block (buffer.getArrayOfWritePointers(), buffer.getNumChannels(), n);

        if (blocks++ == 0)
            processor.processBlock (block, midi);
        else
            trap.run ([&]
                      { processor.processBlock (block, midi); });

        for (int channel = 0; channel < block.getNumChannels(); ++channel)
            loudest = std::max (loudest, block.getMagnitude (channel, 0, n));

        return outputIsClean (block, n);
    }

    static constexpr int maxBlockSize = 4096;

    juce::AudioProcessor& processor;
    std::vector<juce::AudioProcessorParameter*> parameters;
    juce::Random random;
    juce::AudioBuffer<float> buffer { 2, maxBlockSize };
    juce::MidiBuffer midi;
    RealtimeTrap trap; // every block but the first
    int blocks = 0;
    float loudest = 0.0f; // the largest output magnitude so far: shows that notes played
};

/** A BlockDriver on a thread of its own, rendering blocks of random sizes with random
    notes until finish(), as an audio device would while the test's own thread plays the
    message thread. No block is larger than the size the processor was prepared for. It
    sends no automation: the test moves the controls from the message thread, as an
    editor does. */
class AudioThread
{
public:
    AudioThread (juce::AudioProcessor& processor, int preparedBlockSize, juce::int64 seed = 77)
        : driver (processor, {}, seed)
    {
        jassert (preparedBlockSize <= BlockDriver::maxBlockSize);

        thread = std::thread ([this, preparedBlockSize]
                              { run (preparedBlockSize); });
    }

    ~AudioThread() { stop(); }

    /** Stops the thread and judges what it did: enough blocks, every one finite and
        bounded, a kick heard, and nothing caught by the trap (apart from locks taken
        without waiting, which the driver's trap still counts). */
    ::testing::AssertionResult finish()
    {
        stop();

        if (driver.blocks < 10)
            return ::testing::AssertionFailure() << "only " << driver.blocks << " blocks ran";

        if (! allClean)
            return ::testing::AssertionFailure() << "a block's output was not finite or bounded";

        if (driver.loudest < 0.05f)
            return ::testing::AssertionFailure() << "no kick sounded";

        if (! driver.trap.isClean())
            return ::testing::AssertionFailure() << driver.trap.report();

        return ::testing::AssertionSuccess();
    }

    BlockDriver driver; // the thread's own until finish() returns

private:
    void run (int preparedBlockSize)
    {
        while (! stopping)
        {
            if (! driver.processOne (1 + driver.random.nextInt (preparedBlockSize)))
                allClean = false;

            std::this_thread::sleep_for (std::chrono::microseconds (100));
        }
    }

    void stop()
    {
        stopping = true;

        if (thread.joinable())
            thread.join();
    }

    std::atomic<bool> stopping { false };
    bool allClean = true;
    std::thread thread;
};
} // namespace zobtest
