// The processor's own undo history of the sound, randomise, and the parameter writes that
// behave like user gestures. All message thread.

#include "engine/LengthCurve.h"
#include "engine/ParameterIds.h"
#include "engine/ProcessorState.h"
#include "engine/RandomiseRanges.h"
#include "engine/ZobAudioProcessor.h"

namespace
{
// Older steps are forgotten beyond this.
constexpr size_t maximumUndoSteps = 64;

// The shortest decay a roll may give, as a multiple of the kick's length after the hold.
constexpr double shortestRandomDecay = 7.0 / 13.0;
} // namespace

const std::array<RandomiseRange, 4> randomiseRanges {
    RandomiseRange { ParameterIds::transientAmount, 0.0f, 0.7f },
    RandomiseRange { ParameterIds::punchAmount, 0.0f, 0.75f },
    RandomiseRange { ParameterIds::lengthAmount, stageValueToLength (shortestRandomDecay), 1.0f },
    RandomiseRange { ParameterIds::toneAmount, -0.55f, 0.55f },
};

//==============================================================================
float ZobAudioProcessor::getParameterValue (const juce::String& parameterID, float fallback) const
{
    if (const auto* value = parameters.getRawParameterValue (parameterID))
        return value->load();

    return fallback;
}

void ZobAudioProcessor::setParameterWithGesture (const juce::String& parameterID, float value)
{
    auto* parameter = parameters.getParameter (parameterID);

    if (parameter == nullptr)
        return;

    // The range clamps and skews; the parameter itself snaps to its interval.
    parameter->beginChangeGesture();
    parameter->setValueNotifyingHost (parameter->getNormalisableRange().convertTo0to1 (value));
    parameter->endChangeGesture();
}

void ZobAudioProcessor::resetShaping()
{
    for (const auto* id : { &ParameterIds::transientAmount, &ParameterIds::punchAmount, &ParameterIds::lengthAmount, &ParameterIds::toneAmount })
    {
        if (auto* parameter = parameters.getParameter (*id))
        {
            parameter->beginChangeGesture();
            parameter->setValueNotifyingHost (parameter->getDefaultValue());
            parameter->endChangeGesture();
        }
    }
}

//==============================================================================
StateSnapshot ZobAudioProcessor::captureSnapshot() const
{
    StateSnapshot snapshot;
    snapshot.transientAmount = getParameterValue (ParameterIds::transientAmount, 0.0f);
    snapshot.punchAmount = getParameterValue (ParameterIds::punchAmount, 0.0f);
    snapshot.lengthAmount = getParameterValue (ParameterIds::lengthAmount, 1.0f);
    snapshot.toneAmount = getParameterValue (ParameterIds::toneAmount, 0.0f);
    snapshot.outputGainDb = getParameterValue (ParameterIds::outputGainDb, 0.0f);
    snapshot.tuneSemitones = getParameterValue (ParameterIds::tuneSemitones, 0.0f);
    snapshot.samplePath = samplePath;
    return snapshot;
}

void ZobAudioProcessor::pushUndoSnapshot()
{
    pushUndoSnapshot (captureSnapshot());
}

void ZobAudioProcessor::pushUndoSnapshot (const StateSnapshot& before)
{
    undoStack.push_back (before);
    redoStack.clear();

    if (undoStack.size() > maximumUndoSteps)
        undoStack.erase (undoStack.begin());
}

bool ZobAudioProcessor::undo()
{
    return stepThroughHistory (undoStack, redoStack);
}

bool ZobAudioProcessor::redo()
{
    return stepThroughHistory (redoStack, undoStack);
}

bool ZobAudioProcessor::stepThroughHistory (std::vector<StateSnapshot>& from, std::vector<StateSnapshot>& to)
{
    if (from.empty())
        return false;

    // The sound as it is now becomes the step back the other way.
    to.push_back (captureSnapshot());
    const auto snapshot = std::move (from.back());
    from.pop_back();
    applySnapshot (snapshot);

    if (onStateRestored)
        onStateRestored();

    return true;
}

void ZobAudioProcessor::applySnapshot (const StateSnapshot& snapshot)
{
    // A kick that can no longer be loaded stays out: the current one keeps playing.
    if (snapshot.samplePath != samplePath)
    {
        const auto kickFile = existingKickFileForStoredPath (snapshot.samplePath);

        if (kickFile != juce::File() && loadSample (kickFile))
            samplePath = snapshot.samplePath;
    }

    // No defaults are reset: the kick comes back with exactly the values it had.
    setParameterWithGesture (ParameterIds::transientAmount, snapshot.transientAmount);
    setParameterWithGesture (ParameterIds::punchAmount, snapshot.punchAmount);
    setParameterWithGesture (ParameterIds::lengthAmount, snapshot.lengthAmount);
    setParameterWithGesture (ParameterIds::toneAmount, snapshot.toneAmount);
    setParameterWithGesture (ParameterIds::outputGainDb, snapshot.outputGainDb);
    setParameterWithGesture (ParameterIds::tuneSemitones, snapshot.tuneSemitones);
}

void ZobAudioProcessor::randomiseShaping()
{
    pushUndoSnapshot();

    auto& random = juce::Random::getSystemRandom();

    for (const auto& range : randomiseRanges)
    {
        if (parameters.getParameter (range.parameterID) == nullptr)
            continue;

        const auto roll = random.nextFloat();
        setParameterWithGesture (range.parameterID, range.minValue + roll * (range.maxValue - range.minValue));
    }
}
