#pragma once

#include "engine/ParameterIds.h"
#include "engine/ZobAudioProcessor.h"
#include "support/AllocationCheck.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace zobtest
{
/** A processor prepared at a host rate, with a kick put straight into its loaded sample,
    and a block runner that checks processBlock never allocates. */
struct ProcessorFixture
{
    static constexpr double hostRate = 48000.0;
    static constexpr int blockSize = 512;

    ProcessorFixture()
    {
        midi.ensureSize (4096); // room for the events the tests add
    }

    /** A kick of the given channels and length at the given rate, sample i of channel c
        being shape (c, i). */
    void setKick (int channels, int length, double rate, std::function<float (int, int)> shape)
    {
        processor.loadedSample.buffer.setSize (channels, length);

        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < length; ++i)
                processor.loadedSample.buffer.setSample (c, i, shape (c, i));

        processor.loadedSample.sampleRate = rate;
    }

    void prepare (double rate = hostRate) { processor.prepareToPlay (rate, blockSize); }

    void setParameter (const juce::String& id, float value)
    {
        auto* parameter = processor.parameters.getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
    }

    /** Runs one block of numSamples into buffer (resized to channels), with the events
        queued in midi, and asserts it allocated nothing. */
    void runBlock (int numSamples = blockSize, int channels = 2)
    {
        buffer.setSize (channels, numSamples, false, false, true);

        {
            AllocationCheck check;
            processor.processBlock (buffer, midi);
            EXPECT_EQ (check.count(), 0u) << "processBlock allocated";
        }

        midi.clear();
    }

    void addNoteOn (int samplePosition, int velocity = 127, int channel = 1, int note = 60)
    {
        midi.addEvent (juce::MidiMessage::noteOn (channel, note, (juce::uint8) velocity), samplePosition);
    }

    ZobAudioProcessor processor;
    juce::AudioBuffer<float> buffer;
    juce::MidiBuffer midi;
};
} // namespace zobtest
