#include "engine/ApproximatelyEqual.h"
#include "engine/EffectStages.h"
#include "engine/OutputGain.h"
#include "engine/ZobAudioProcessor.h"

#include <cmath>
#include <limits>
#include <new>

namespace
{
constexpr double renderTailSeconds = 0.1; // lets the stages ring out after the kick
constexpr double shortestRenderSeconds = 0.005; // the trim never goes below this
constexpr float trimThreshold = 1.0e-5f; // magnitude that still counts as sound
constexpr int renderBlockSize = 512;

/** One past the last sample index, over every channel, whose magnitude exceeds the trim
    threshold; index 0 is never examined, so a silent render gives 1. */
int audibleLength (const juce::AudioBuffer<float>& buffer)
{
    auto last = 0;

    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
    {
        const auto* samples = buffer.getReadPointer (channel);

        for (int i = buffer.getNumSamples() - 1; i > last; --i)
        {
            if (std::abs (samples[i]) > trimThreshold)
            {
                last = i;
                break;
            }
        }
    }

    return last + 1;
}

bool channelsAreTheSame (const juce::AudioBuffer<float>& buffer)
{
    const auto* left = buffer.getReadPointer (0);
    const auto* right = buffer.getReadPointer (1);

    for (int i = 0; i < buffer.getNumSamples(); ++i)
        if (! zob::approximatelyEqual (left[i], right[i]))
            return false;

    return true;
}
} // namespace

bool ZobAudioProcessor::renderProcessedKick (juce::AudioBuffer<float>& out, double& outSampleRate)
{
    const auto kickLength = loadedSample.buffer.getNumSamples();

    if (kickLength < 1)
        return false;

    const auto rate = loadedSample.sampleRate;
    const auto ratio = std::pow (2.0, (double) raw.tuneSemitones->load() / 12.0);

    const auto playedLength = (juce::int64) std::ceil (kickLength / std::max (ratio, 0.000001));
    const auto totalLength = playedLength + (juce::int64) (renderTailSeconds * rate);

    if (totalLength > std::numeric_limits<int>::max())
        return false;

    const auto numSamples = (int) totalLength;

    // A long kick tuned down needs several times its own memory. When that cannot be had the
    // render fails like any other, and out stays as it was: it is only replaced at the end.
    try
    {
        juce::AudioBuffer<float> rendered (2, numSamples);
        rendered.clear();

        KickVoice renderVoice;
        renderVoice.sample = &loadedSample;
        renderVoice.prepare (rate);
        renderVoice.setLengthPosition (raw.lengthAmount->load());
        renderVoice.pitchRatio = ratio;

        TransientStage transient;
        PunchStage punch;
        ToneStage tone;
        prepareEffectStages (rate, transient, punch, tone);

        renderVoice.trigger (1.0f);

        const auto gain = outputGainFromDecibels (raw.outputGainDb->load());

        for (int offset = 0; offset < numSamples; offset += renderBlockSize)
        {
            const auto count = std::min (renderBlockSize, numSamples - offset);
            juce::AudioBuffer<float> block (rendered.getArrayOfWritePointers(), 2, offset, count);
            block.clear();
            renderVoice.renderNextBlock (block, 0, count);
            applyEffectChain (block, transient, punch, tone, gain, gain, 1.0f);
        }

        const auto keep = std::max (std::min ((int) (shortestRenderSeconds * rate), numSamples),
                                    std::min (audibleLength (rendered), numSamples));

        if (keep < numSamples)
            rendered.setSize (2, keep, true, true);

        if (channelsAreTheSame (rendered))
            rendered.setSize (1, rendered.getNumSamples(), true);

        out = std::move (rendered);
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }

    outSampleRate = rate;
    return true;
}
