#pragma once

#include "engine/ParameterIds.h"
#include "engine/ZobAudioProcessor.h"
#include "support/AudioFiles.h"
#include "support/MessageLoop.h"

#include <array>

namespace statetest
{
using zobtest::runPendingMessages;

/** Makes folder the working folder for the lifetime of this object. */
class ScopedWorkingDirectory
{
public:
    explicit ScopedWorkingDirectory (const juce::File& folder) { folder.setAsCurrentWorkingDirectory(); }
    ~ScopedWorkingDirectory() { previous.setAsCurrentWorkingDirectory(); }

private:
    juce::File previous = juce::File::getCurrentWorkingDirectory();
};

/** Writes a short decaying sine as a 16-bit mono WAV: a stand-in kick. */
inline bool writeKick (const juce::File& file, double hz = 55.0, int numSamples = 4410, double sampleRate = 44100.0)
{
    return zobtest::writeWavFile (file, zobtest::makeSineKick (1, numSamples, sampleRate, hz), sampleRate, 16);
}

/** The six raw parameter values, in the snapshot's order. */
inline std::array<float, 6> rawValues (const ZobAudioProcessor& processor)
{
    return { processor.getParameterValue (ParameterIds::transientAmount, -99.0f),
             processor.getParameterValue (ParameterIds::punchAmount, -99.0f),
             processor.getParameterValue (ParameterIds::lengthAmount, -99.0f),
             processor.getParameterValue (ParameterIds::toneAmount, -99.0f),
             processor.getParameterValue (ParameterIds::outputGainDb, -99.0f),
             processor.getParameterValue (ParameterIds::tuneSemitones, -99.0f) };
}

/** Sets the six controls (raw values, snapshot order) the way the editor's gestures do. */
inline void setValues (ZobAudioProcessor& processor, const std::array<float, 6>& values)
{
    processor.setParameterWithGesture (ParameterIds::transientAmount, values[0]);
    processor.setParameterWithGesture (ParameterIds::punchAmount, values[1]);
    processor.setParameterWithGesture (ParameterIds::lengthAmount, values[2]);
    processor.setParameterWithGesture (ParameterIds::toneAmount, values[3]);
    processor.setParameterWithGesture (ParameterIds::outputGainDb, values[4]);
    processor.setParameterWithGesture (ParameterIds::tuneSemitones, values[5]);
}

inline juce::MemoryBlock stateOf (ZobAudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation (block);
    return block;
}

inline void restore (ZobAudioProcessor& processor, const juce::MemoryBlock& block)
{
    processor.setStateInformation (block.getData(), (int) block.getSize());
}

/** A state blob made from XML text, the way a hand-edited or older state arrives. */
inline juce::MemoryBlock blobOf (const juce::String& xmlText)
{
    juce::MemoryBlock block;
    const auto xml = juce::parseXML (xmlText);
    jassert (xml != nullptr);
    juce::AudioProcessor::copyXmlToBinary (*xml, block);
    return block;
}

inline juce::String paramXml (const juce::String& id, const juce::String& value)
{
    return "<PARAM id=\"" + id + "\" value=\"" + value + "\"/>";
}
} // namespace statetest
