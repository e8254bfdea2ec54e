#include "engine/KickLoading.h"

#include "engine/ZobAudioProcessor.h"
#include "library/KickFileReader.h"

#include <new>

bool loadSampleFile (LoadedSample& out, const juce::File& file, juce::AudioFormatManager& formats)
{
    auto source = openKickFile (file, formats);

    if (source.reader == nullptr)
        return false;

    const auto length = (int) source.lengthInSamples;
    const auto rate = kickSampleRate (source.reader->sampleRate);
    juce::AudioBuffer<float> buffer;

    try
    {
        buffer.setSize ((int) source.reader->numChannels, length, false, true);
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }

    source.reader->read (&buffer, 0, length, 0, true, true);
    makeSamplesUsable (buffer);

    out.buffer = std::move (buffer);
    out.sampleRate = rate;
    out.fileName = file.getFileName();
    return true;
}

bool ZobAudioProcessor::loadSample (const juce::File& file)
{
    LoadedSample incoming;

    if (! loadSampleFile (incoming, file, formatManager))
        return false;

    const auto pitch = analyseKick (incoming.buffer, incoming.sampleRate);

    swapInKick (incoming);
    // incoming now holds the previous kick; its memory goes when it leaves scope, outside the lock.

    samplePath = file.getFullPathName();

    {
        const juce::SpinLock::ScopedLockType lock (kickPitchLock);
        kickPitch = pitch;
    }

    return true;
}

void ZobAudioProcessor::swapInKick (LoadedSample& incoming)
{
    const juce::SpinLock::ScopedLockType lock (sampleLock);

    std::swap (loadedSample.buffer, incoming.buffer);
    std::swap (loadedSample.sampleRate, incoming.sampleRate);
    loadedSample.fileName.swapWith (incoming.fileName);
    voice.stop();
}

KickPitchResult ZobAudioProcessor::getKickPitch() const
{
    const juce::SpinLock::ScopedLockType lock (kickPitchLock);
    return kickPitch;
}
