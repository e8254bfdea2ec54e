// The kick swap race: the audio thread renders notes without pause while the message thread
// loads kicks, restores states, undoes, redoes, randomises, moves the controls, flips the
// compare switch and plays the pad. Run under ThreadSanitizer with the program's own code
// instrumented, and in the other builds with the audio thread's trap armed.

#include "engine/ZobAudioProcessor.h"

#include "support/AudioFiles.h"
#include "support/BlockDriver.h"
#include "support/MessageLoop.h"
#include "support/RealtimeTrap.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace
{
juce::MemoryBlock stateOf (ZobAudioProcessor& processor)
{
    juce::MemoryBlock state;
    processor.getStateInformation (state);
    return state;
}

/** One note through a processor whose stages have settled, at the given rate. */
juce::AudioBuffer<float> renderNote (ZobAudioProcessor& processor)
{
    juce::AudioBuffer<float> buffer (2, 2048);
    juce::MidiBuffer midi;
    midi.addEvent (juce::MidiMessage::controllerEvent (1, 123, 0), 0);

    for (int i = 0; i < 50; ++i)
    {
        processor.processBlock (buffer, midi);
        midi.clear();
    }

    midi.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100), 0);
    processor.processBlock (buffer, midi);
    return buffer;
}
} // namespace

TEST (KickSwapRace, AudioThreadPlaysOnWhileTheMessageThreadSwapsKicksAndStates)
{
    const zobtest::ScopedTempHome home;
    const auto folder = home.temp().getChildFile ("kicks");
    const juce::File kicks[] = { folder.getChildFile ("mono.wav"), folder.getChildFile ("stereo.wav"), folder.getChildFile ("six.wav") };
    ASSERT_TRUE (zobtest::writeWavFile (kicks[0], zobtest::makeSineKick (1, 17640, 44100.0, 55.0), 44100.0));
    ASSERT_TRUE (zobtest::writeWavFile (kicks[1], zobtest::makeSineKick (2, 14400, 48000.0, 70.0, true), 48000.0));
    ASSERT_TRUE (zobtest::writeWavFile (kicks[2], zobtest::makeSineKick (6, 19200, 96000.0, 45.0, true), 96000.0));
    const auto broken = folder.getChildFile ("broken.wav");
    broken.replaceWithText ("not audio");

    ZobAudioProcessor processor;
    zobtest::RealtimeTrap::allowLocksWithin (&processor.keyboardState, sizeof (processor.keyboardState));
    processor.prepareToPlay (48000.0, 1024);

    // States naming each kick, and blobs that must change nothing.
    std::vector<juce::MemoryBlock> states;

    for (const auto& kick : kicks)
    {
        ASSERT_TRUE (processor.loadSample (kick));
        states.push_back (stateOf (processor));
    }

    juce::MemoryBlock garbage (200);
    juce::Random (3).fillBitsRandomly (garbage.getData(), garbage.getSize());
    states.push_back (garbage);
    states.emplace_back (states[0].getData(), states[0].getSize() / 2);

    auto* tune = processor.parameters.getParameter ("tuneSemitones");
    auto* output = processor.parameters.getParameter ("outputGainDb");
    juce::Random random (8);

    {
        zobtest::AudioThread audio (processor, 1024, 31);

        for (int round = 0; round < 150; ++round)
        {
            switch (round % 8)
            {
                case 0:
                    processor.loadSample (kicks[random.nextInt (3)]);
                    break;
                case 1:
                    processor.loadSample (random.nextBool() ? broken : folder.getChildFile ("missing.wav"));
                    break;
                case 2:
                case 3:
                {
                    const auto& state = states[(size_t) random.nextInt ((int) states.size())];
                    processor.setStateInformation (state.getData(), (int) state.getSize());
                    break;
                }
                case 4:
                    processor.pushUndoSnapshot();
                    processor.loadSample (kicks[random.nextInt (3)]);
                    processor.undo();
                    break;
                case 5:
                    processor.redo();
                    break;
                case 6:
                    processor.randomiseShaping();
                    break;
                default:
                    processor.compareEnabled = ! processor.compareEnabled;
                    processor.keyboardState.noteOn (1, 60, 1.0f);
                    processor.keyboardState.noteOff (1, 60, 0.0f);
                    break;
            }

            // What the editor does meanwhile: move controls, read the meters, the kick and its pitch.
            tune->setValueNotifyingHost (random.nextFloat());
            output->setValueNotifyingHost (0.5f + 0.5f * random.nextFloat());
            [[maybe_unused]] const auto meters = processor.peakLeft.load() + processor.peakRight.load();
            [[maybe_unused]] const auto pitch = processor.getKickPitch();
            [[maybe_unused]] const auto saved = stateOf (processor);
            zobtest::runPendingMessages();
        }

        EXPECT_TRUE (audio.finish());
        EXPECT_EQ (audio.driver.trap.locksTaken, 0u) << audio.driver.trap.report();
    }

    zobtest::RealtimeTrap::clearAllowedLocks();

    // Whatever the race left behind, the last kick and state play exactly as they do in a
    // processor that never raced.
    processor.compareEnabled = false;
    processor.setStateInformation (states[1].getData(), (int) states[1].getSize());
    ZobAudioProcessor calm;
    calm.prepareToPlay (48000.0, 1024);
    calm.setStateInformation (states[1].getData(), (int) states[1].getSize());
    zobtest::runPendingMessages();

    const auto raced = renderNote (processor);
    const auto expected = renderNote (calm);

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < raced.getNumSamples(); i += 7)
            ASSERT_NEAR (raced.getSample (channel, i), expected.getSample (channel, i), 1.0e-4f) << "sample " << i << " of channel " << channel;
}
