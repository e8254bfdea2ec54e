// The plug-in state a host hands back: any bytes at all. Restoring must change nothing or
// restore something sane; what follows (saving again, playing, rendering the drag-out kick)
// must work and stay finite and bounded.

#include "FuzzSupport.h"

#include "engine/ParameterIds.h"
#include "engine/ZobAudioProcessor.h"

#include <cmath>

namespace
{
constexpr double hostRate = 48000.0;
constexpr int blockSize = 256;

/** Made after JUCE is started and kept for the whole run. */
ZobAudioProcessor& processor()
{
    static auto* const instance = new ZobAudioProcessor();
    return *instance;
}

bool isFiniteAndBounded (const juce::AudioBuffer<float>& buffer, float bound)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            if (! std::isfinite (buffer.getSample (channel, i)) || std::abs (buffer.getSample (channel, i)) > bound)
                return false;

    return true;
}

void checkParameters()
{
    for (auto* parameter : processor().getParameters())
    {
        const auto value = parameter->getValue();
        zobfuzz::check (std::isfinite (value) && value >= 0.0f && value <= 1.0f, "parameters stay inside their range");
    }

    zobfuzz::check (processor().uiScale == 0.75f || processor().uiScale == 1.0f, "the UI scale is 0.75 or 1.0");
}
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    zobfuzz::startProcess();
    processor().prepareToPlay (hostRate, blockSize);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    processor().setStateInformation (data, (int) size);
    zobfuzz::deliverMessages();
    checkParameters();

    // What was restored saves and restores again to the same blob, once a first save has
    // dropped what a damaged state held beyond the parameters.
    juce::MemoryBlock saved, savedAgain;
    processor().getStateInformation (saved);
    processor().setStateInformation (saved.getData(), (int) saved.getSize());
    zobfuzz::deliverMessages();
    processor().getStateInformation (saved);
    processor().setStateInformation (saved.getData(), (int) saved.getSize());
    zobfuzz::deliverMessages();
    processor().getStateInformation (savedAgain);
    zobfuzz::check (saved == savedAgain, "a saved state restores to itself");

    // Played and rendered with whatever was restored.
    juce::AudioBuffer<float> block (2, blockSize);
    juce::MidiBuffer midi;
    midi.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 127), 3);

    for (int i = 0; i < 4; ++i)
    {
        block.clear();
        processor().processBlock (block, midi);
        midi.clear();
        zobfuzz::check (isFiniteAndBounded (block, 1.0f), "the output is finite and within the soft clipper's bound");
    }

    juce::AudioBuffer<float> rendered;
    double renderedRate = 0.0;

    if (processor().renderProcessedKick (rendered, renderedRate))
        zobfuzz::check (isFiniteAndBounded (rendered, 1.0f) && renderedRate > 0.0, "the drag-out render is finite and bounded");

    return 0;
}
