#include "engine/ZobAudioProcessor.h"

#include "engine/ApproximatelyEqual.h"
#include "engine/EffectStages.h"
#include "engine/OutputGain.h"
#include "engine/ParameterIds.h"
#include "engine/SoftClip.h"
#include "ui/editor/ZobAudioProcessorEditor.h"
#include "ui/kit/UiDarkModeFlag.h"

#include <cmath>

namespace
{
constexpr double compareFadeSeconds = 0.08; // a full A/B travel
constexpr double meterHalfLifeSeconds = 0.0509; // peak meter decay
constexpr int compareFadeSubBlock = 8; // samples per chain call while the fade moves
constexpr float velocityScale = 0.007874016f; // 1 / 127

constexpr int blockEventBytes = 32768; // room for about 3,600 three-byte events per block

constexpr int allNotesOffController = 123;
constexpr int allSoundOffController = 120;
} // namespace

ZobAudioProcessor::ZobAudioProcessor()
    : juce::AudioProcessor (BusesProperties().withOutput ("Output", juce::AudioChannelSet::stereo(), true))
    , parameters (*this, nullptr, "PARAMETERS", createParameterLayout())
    , instanceId (juce::Uuid().toDashedString())
{
    blockEvents.ensureSize (blockEventBytes);
    formatManager.registerBasicFormats();

    loadUiSettings (uiScale, uiDarkMode, showTooltips);

    // The key cache file sits beside the UI settings file.
    keyCache.setCacheFile (getKeyCacheFile());

    raw.transientAmount = parameters.getRawParameterValue (ParameterIds::transientAmount);
    raw.punchAmount = parameters.getRawParameterValue (ParameterIds::punchAmount);
    raw.lengthAmount = parameters.getRawParameterValue (ParameterIds::lengthAmount);
    raw.toneAmount = parameters.getRawParameterValue (ParameterIds::toneAmount);
    raw.tuneSemitones = parameters.getRawParameterValue (ParameterIds::tuneSemitones);
    raw.outputGainDb = parameters.getRawParameterValue (ParameterIds::outputGainDb);
    jassert (raw.transientAmount != nullptr && raw.punchAmount != nullptr && raw.lengthAmount != nullptr
             && raw.toneAmount != nullptr && raw.tuneSemitones != nullptr && raw.outputGainDb != nullptr);

    // Last: start with the first factory kick. When there is none, or it cannot be read, the
    // processor starts without a kick and plays nothing.
    const auto factoryKicks = listFactoryKicks();

    if (! factoryKicks.isEmpty())
        loadSample (juce::File (factoryKicks[0]));
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

bool ZobAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    return layouts.getMainOutputChannelSet() == juce::AudioChannelSet::stereo();
}

juce::AudioProcessorEditor* ZobAudioProcessor::createEditor()
{
    // The colour scheme is switched before anything of the editor is built or drawn.
    uiDarkModeFlag = uiDarkMode;
    return new ZobAudioProcessorEditor (*this);
}

//==============================================================================
void ZobAudioProcessor::prepareToPlay (double sampleRate, int)
{
    voice.prepare (sampleRate);
    voice.sample = &loadedSample;

    prepareEffectStages (sampleRate, transientStage, punchStage, toneStage);

    hostSampleRate = sampleRate > 0.0 ? sampleRate : 44100.0;
    keyboardState.reset();
}

void ZobAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages)
{
    juce::ScopedNoDenormals noDenormals;

    const auto numSamples = buffer.getNumSamples();
    const auto numChannels = buffer.getNumChannels();
    buffer.clear();

    // The pad's notes join a copy of the block's events: JUCE's standalone player hands over a
    // buffer without spare room, which the merge would grow on this thread, and would then
    // send the pad's notes on to its MIDI output.
    blockEvents.clear();

    for (const auto event : midiMessages)
        blockEvents.addEvent (event.data, event.numBytes, event.samplePosition);

    // JUCE's merge stamps the pad's events at sample -1 in a block without samples; they stay
    // pending for the next block instead.
    if (numSamples > 0)
        keyboardState.processNextMidiBuffer (blockEvents, 0, numSamples, true);

    const auto targetWet = compareEnabled.load() ? 0.0f : 1.0f;
    const auto wetStep = (float) (numSamples / std::max (compareFadeSeconds * hostSampleRate, 1.0));
    currentWet = targetWet > currentWet ? std::min (currentWet + wetStep, targetWet)
                                        : std::max (currentWet - wetStep, targetWet);

    const auto length = raw.lengthAmount->load();
    voice.setLengthPosition ((1.0f - currentWet) * (1.0f - length) + length);
    voice.pitchRatio = blockConstants.pitchRatio.get (raw.tuneSemitones->load(), [] (float semitones)
                                                      { return std::pow (2.0, (double) semitones / 12.0); });

    // The loader holds the lock only while it swaps a kick in; a block that finds it busy
    // renders no voice and handles none of its events.
    if (sampleLock.tryEnter())
    {
        renderVoiceAndMidi (buffer, blockEvents);
        sampleLock.exit();
    }

    const auto gain = blockConstants.outputGain.get (raw.outputGainDb->load(), outputGainFromDecibels);

    if (zob::approximatelyEqual (currentWet, previousWet))
    {
        applyEffectChain (buffer, transientStage, punchStage, toneStage, previousOutputGain, gain, currentWet);
    }
    else
    {
        // While the compare fade moves, the shaping follows it in short steps.
        const auto gainChange = gain - previousOutputGain;
        const auto wetChange = currentWet - previousWet;

        for (int offset = 0; offset < numSamples; offset += compareFadeSubBlock)
        {
            const auto count = std::min (compareFadeSubBlock, numSamples - offset);
            const auto from = (float) offset / (float) numSamples;
            const auto to = (float) (offset + count) / (float) numSamples;

            juce::AudioBuffer<float> part (buffer.getArrayOfWritePointers(), numChannels, offset, count);
            applyEffectChain (part,
                              transientStage,
                              punchStage,
                              toneStage,
                              previousOutputGain + gainChange * from,
                              previousOutputGain + gainChange * to,
                              previousWet + wetChange * to);
        }
    }

    previousWet = currentWet;
    previousOutputGain = gain;

    const auto decay = blockConstants.meterDecay.get (numSamples / std::max (hostSampleRate, 1.0), [] (double blockSeconds)
                                                      { return (float) std::pow (0.5, blockSeconds / meterHalfLifeSeconds); });
    const auto left = numChannels > 0 ? buffer.getMagnitude (0, 0, numSamples) : 0.0f;
    const auto right = numChannels > 1 ? buffer.getMagnitude (1, 0, numSamples) : left;
    peakLeft.store (std::max (peakLeft.load() * decay, left));
    peakRight.store (std::max (peakRight.load() * decay, right));
}

void ZobAudioProcessor::renderVoiceAndMidi (juce::AudioBuffer<float>& buffer, const juce::MidiBuffer& midiMessages) noexcept
{
    const auto numSamples = buffer.getNumSamples();
    auto position = 0;

    for (const auto event : midiMessages)
    {
        const auto eventPosition = juce::jlimit (0, numSamples, event.samplePosition);

        if (eventPosition > position)
        {
            voice.renderNextBlock (buffer, position, eventPosition - position);
            position = eventPosition;
        }

        // Read the raw bytes: building a juce::MidiMessage could allocate for long events.
        if (event.numBytes < 3)
            continue;

        const auto status = event.data[0] & 0xf0;

        if (status == 0x90 && event.data[2] > 0)
            triggerKick ((float) event.data[2] * velocityScale);
        else if (status == 0xb0 && (event.data[1] == allNotesOffController || event.data[1] == allSoundOffController))
            voice.stop();
    }

    if (position < numSamples)
        voice.renderNextBlock (buffer, position, numSamples - position);
}

void ZobAudioProcessor::triggerKick (float velocity) noexcept
{
    voice.trigger (velocity);
    lastTriggerTime.store (juce::Time::getMillisecondCounter());
}

void ZobAudioProcessor::applyEffectChain (juce::AudioBuffer<float>& buffer,
                                          TransientStage& transient,
                                          PunchStage& punch,
                                          ToneStage& tone,
                                          float gainStart,
                                          float gainEnd,
                                          float wet) noexcept
{
    const auto depth = juce::jlimit (0.0f, 1.0f, wet);
    transient.amount = juce::jlimit (0.0f, 1.0f, raw.transientAmount->load() * depth);
    punch.amount = juce::jlimit (0.0f, 1.0f, raw.punchAmount->load() * depth);
    tone.tone = juce::jlimit (-1.0f, 1.0f, raw.toneAmount->load() * depth);

    // New shelves depend on the amounts alone: asked for first, they are worked out while
    // TRANSIENT runs instead of holding up the filters (during the compare fade, every 8
    // samples).
    punch.updateCoefficients();
    tone.prepareShelves();

    transient.process (buffer);
    punch.process (buffer);
    tone.process (buffer);

    const auto numSamples = buffer.getNumSamples();

    if (zob::approximatelyEqual (gainStart, gainEnd))
        buffer.applyGain (gainEnd);
    else
        buffer.applyGainRamp (0, numSamples, gainStart, gainEnd);

    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        softClipInPlace (buffer.getWritePointer (channel), numSamples);
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new ZobAudioProcessor();
}
