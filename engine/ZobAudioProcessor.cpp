#include "engine/ZobAudioProcessor.h"

#include "engine/ParameterIds.h"
#include "ui/kit/UiDarkModeFlag.h"

ZobAudioProcessor::ZobAudioProcessor()
    : juce::AudioProcessor (BusesProperties().withOutput ("Output", juce::AudioChannelSet::stereo(), true))
    , parameters (*this, nullptr, "PARAMETERS", createParameterLayout())
{
}

ZobAudioProcessor::~ZobAudioProcessor() = default;

juce::AudioProcessorValueTreeState::ParameterLayout ZobAudioProcessor::createParameterLayout()
{
    using Range = juce::NormalisableRange<float>;
    juce::AudioProcessorValueTreeState::ParameterLayout layout;

    auto add = [&layout] (const juce::String& id, const juce::String& name, Range range, float defaultValue)
    {
        layout.add (std::make_unique<juce::AudioParameterFloat> (juce::ParameterID { id, 0 }, name, range, defaultValue));
    };

    add (ParameterIds::transientAmount, "Transient", Range (0.0f, 1.0f, 0.0f, 1.0f), 0.0f);
    add (ParameterIds::punchAmount, "Punch", Range (0.0f, 1.0f, 0.0f, 1.0f), 0.0f);
    add (ParameterIds::lengthAmount, "Length", Range (0.0f, 1.0f, 0.0f, 1.0f), 1.0f);
    add (ParameterIds::toneAmount, "Tone", Range (-1.0f, 1.0f, 0.0f, 1.0f), 0.0f);
    add (ParameterIds::tuneSemitones, "Tune", Range (-12.0f, 12.0f, 0.01f, 1.0f), 0.0f);
    // This skew puts -12 dB at the middle of the travel.
    add (ParameterIds::outputGainDb, "Output", Range (-60.0f, 12.0f, 0.1f, logf (0.5f) / logf (0.6666667f)), 0.0f);

    return layout;
}

void ZobAudioProcessor::prepareToPlay (double, int) {}

void ZobAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;
    buffer.clear();
}

bool ZobAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    return layouts.getMainOutputChannelSet() == juce::AudioChannelSet::stereo();
}

juce::AudioProcessorEditor* ZobAudioProcessor::createEditor()
{
    return new juce::GenericAudioProcessorEditor (*this);
}

void ZobAudioProcessor::getStateInformation (juce::MemoryBlock&) {}
void ZobAudioProcessor::setStateInformation (const void*, int) {}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new ZobAudioProcessor();
}
