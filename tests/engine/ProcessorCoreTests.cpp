#include "engine/ApproximatelyEqual.h"
#include "engine/ParameterIds.h"
#include "engine/ZobAudioProcessor.h"
#include "support/AllocationCheck.h"
#include "ui/kit/UiDarkModeFlag.h"

#include <gtest/gtest.h>

TEST (ApproximatelyEqual, UsesAbsoluteAndRelativeTolerances)
{
    EXPECT_TRUE (zob::approximatelyEqual (-0.5f, -0.5f));
    EXPECT_TRUE (zob::approximatelyEqual (-1.0f, -1.0f - 1.0e-8f));
    EXPECT_FALSE (zob::approximatelyEqual (-1.0f, -1.001f));
    EXPECT_TRUE (zob::approximatelyEqual (0.0f, 1.0e-39f));
    EXPECT_FALSE (zob::approximatelyEqual (0.0f, 1.0e-30f));
    EXPECT_FALSE (zob::approximatelyEqual (std::nanf (""), std::nanf ("")));
    EXPECT_TRUE (zob::approximatelyEqual (INFINITY, INFINITY));
    EXPECT_FALSE (zob::approximatelyEqual (INFINITY, -INFINITY));
}

TEST (ProcessorCore, GivesTheFixedAnswers)
{
    ZobAudioProcessor processor;

    EXPECT_EQ (processor.getName(), juce::String ("ZOB"));
    EXPECT_DOUBLE_EQ (processor.getTailLengthSeconds(), 2.0);
    EXPECT_TRUE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_TRUE (processor.hasEditor());
    EXPECT_EQ (processor.getNumPrograms(), 1);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_EQ (processor.getProgramName (0), juce::String ("Default"));

    EXPECT_EQ (processor.getBusCount (true), 0);
    ASSERT_EQ (processor.getBusCount (false), 1);
    EXPECT_EQ (processor.getBus (false, 0)->getName(), juce::String ("Output"));
    EXPECT_EQ (processor.getBus (false, 0)->getCurrentLayout(), juce::AudioChannelSet::stereo());
    EXPECT_TRUE (processor.getBus (false, 0)->isEnabled());
}

TEST (ProcessorCore, AcceptsOnlyAStereoOutput)
{
    ZobAudioProcessor processor;

    struct Case
    {
        juce::AudioChannelSet output;
        bool accepted;
    };

    const Case cases[] = {
        { juce::AudioChannelSet::stereo(), true },
        { juce::AudioChannelSet::mono(), false },
        { juce::AudioChannelSet::create5point1(), false },
        { juce::AudioChannelSet::disabled(), false },
    };

    for (const auto& c : cases)
    {
        juce::AudioProcessor::BusesLayout layout;
        layout.outputBuses.add (c.output);
        EXPECT_EQ (processor.isBusesLayoutSupported (layout), c.accepted) << c.output.getDescription();

        // The input side is not examined.
        layout.inputBuses.add (juce::AudioChannelSet::mono());
        EXPECT_EQ (processor.isBusesLayoutSupported (layout), c.accepted) << c.output.getDescription();
    }
}

TEST (ProcessorCore, HasTheSixParametersWithTheirRangesAndDefaults)
{
    ZobAudioProcessor processor;

    struct Case
    {
        const juce::String& id;
        const char* name;
        float start, end, interval, defaultValue;
    };

    const Case cases[] = {
        { ParameterIds::transientAmount, "Transient", 0.0f, 1.0f, 0.0f, 0.0f },
        { ParameterIds::punchAmount, "Punch", 0.0f, 1.0f, 0.0f, 0.0f },
        { ParameterIds::lengthAmount, "Length", 0.0f, 1.0f, 0.0f, 1.0f },
        { ParameterIds::toneAmount, "Tone", -1.0f, 1.0f, 0.0f, 0.0f },
        { ParameterIds::tuneSemitones, "Tune", -12.0f, 12.0f, 0.01f, 0.0f },
        { ParameterIds::outputGainDb, "Output", -60.0f, 12.0f, 0.1f, 0.0f },
    };

    const auto& all = processor.getParameters();
    ASSERT_EQ (all.size(), 6);

    for (int i = 0; i < 6; ++i)
    {
        const auto& c = cases[i];
        auto* parameter = dynamic_cast<juce::AudioParameterFloat*> (all[i]);
        ASSERT_NE (parameter, nullptr);
        EXPECT_EQ (parameter->getParameterID(), c.id);
        EXPECT_EQ (parameter->getName (100), juce::String (c.name));
        EXPECT_FLOAT_EQ (parameter->range.start, c.start) << c.name;
        EXPECT_FLOAT_EQ (parameter->range.end, c.end) << c.name;
        EXPECT_FLOAT_EQ (parameter->range.interval, c.interval) << c.name;
        EXPECT_FLOAT_EQ (parameter->get(), c.defaultValue) << c.name;
        EXPECT_FLOAT_EQ (processor.parameters.getRawParameterValue (c.id)->load(), c.defaultValue) << c.name;
        EXPECT_FLOAT_EQ (parameter->range.convertFrom0to1 (static_cast<juce::AudioProcessorParameter*> (parameter)->getDefaultValue()), c.defaultValue) << c.name;
    }
}

TEST (ProcessorCore, OutputTravelPutsMinusTwelveDecibelsAtTheMiddle)
{
    ZobAudioProcessor processor;
    auto* output = processor.parameters.getParameter (ParameterIds::outputGainDb);

    EXPECT_NEAR (output->convertFrom0to1 (0.5f), -12.0f, 1.0e-4f);
    EXPECT_NEAR (output->convertTo0to1 (-12.0f), 0.5f, 1.0e-5f);
    EXPECT_FLOAT_EQ (output->convertFrom0to1 (0.0f), -60.0f);
    EXPECT_FLOAT_EQ (output->convertFrom0to1 (1.0f), 12.0f);
    EXPECT_FLOAT_EQ (dynamic_cast<juce::AudioParameterFloat*> (output)->range.skew, 1.7095115f);
}

TEST (ProcessorCore, StartsWithoutAKickAndStaysSilent)
{
    ZobAudioProcessor processor;

    EXPECT_EQ (processor.loadedSample.buffer.getNumSamples(), 0);
    EXPECT_TRUE (processor.samplePath.isEmpty());
    EXPECT_FALSE (processor.getKickPitch().valid);
    EXPECT_TRUE (juce::Uuid (processor.instanceId).toDashedString() == processor.instanceId);
    EXPECT_NE (processor.instanceId, ZobAudioProcessor().instanceId);

    processor.prepareToPlay (48000.0, 512);
    juce::AudioBuffer<float> buffer (2, 512);
    buffer.setSample (0, 0, 1.0f); // incoming audio is discarded
    juce::MidiBuffer midi;
    midi.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 127), 0);

    {
        zobtest::AllocationCheck check;
        processor.processBlock (buffer, midi);
        EXPECT_EQ (check.count(), 0u);
    }

    EXPECT_FLOAT_EQ (buffer.getMagnitude (0, 512), 0.0f);
    EXPECT_FLOAT_EQ (processor.peakLeft.load(), 0.0f);
}

TEST (ProcessorCore, CreateEditorSetsTheColourSchemeFromTheSetting)
{
    ZobAudioProcessor processor;
    const auto previous = uiDarkModeFlag;

    for (const auto dark : { true, false })
    {
        processor.uiDarkMode = dark;
        uiDarkModeFlag = ! dark;
        std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditor());
        ASSERT_NE (editor, nullptr);
        EXPECT_EQ (uiDarkModeFlag, dark);
    }

    uiDarkModeFlag = previous;
}
