#include "engine/KickLoading.h"

#include "engine/ZobAudioProcessor.h"

#include <cmath>
#include <limits>
#include <new>

namespace
{
/** The most audio a kick file may decode to, in samples over all channels: ten minutes of
    eight channels at 192 kHz (about 3.7 GB of floats). Anything claiming more is a broken
    or hostile header, not a kick. */
constexpr juce::int64 maxKickSamples = juce::int64 (10 * 60) * 192000 * 8;

/** More channels than this is a broken header (and lets some readers loop forever). */
constexpr unsigned int maxKickChannels = 64;

/** Sample rates above this (Hz) are a broken header. */
constexpr double maxKickSampleRate = 1.0e6;

/** A compressed file cannot honestly decode to more than this many samples per byte of
    file: even digital silence in FLAC or Ogg Vorbis stays far below it. */
constexpr juce::int64 maxDecodedSamplesPerFileByte = 8192;

bool isUncompressedPcm (const juce::AudioFormatReader& reader)
{
    static const juce::String wavName = juce::WavAudioFormat().getFormatName();
    static const juce::String aiffName = juce::AiffAudioFormat().getFormatName();
    return reader.getFormatName() == wavName || reader.getFormatName() == aiffName;
}

/** The number of sample frames the reader can really deliver: its claimed length, bounded
    by what the file's bytes can hold. 0 when the claim is not believable. */
juce::int64 deliverableLength (const juce::AudioFormatReader& reader)
{
    const auto claimed = reader.lengthInSamples;
    const auto channels = (juce::int64) reader.numChannels;

    if (claimed < 1 || claimed > std::numeric_limits<int>::max() || claimed > maxKickSamples / channels)
        return 0;

    const auto fileBytes = reader.input != nullptr ? reader.input->getTotalLength() : (juce::int64) -1;

    if (fileBytes <= 0)
        return claimed;

    if (isUncompressedPcm (reader))
    {
        // A PCM file holds its frames as they are: a data chunk claiming more than the
        // file's size ends where the file ends (the reader would pad the rest with zeros).
        const auto bytesPerFrame = std::max ((juce::int64) 1, channels * (juce::int64) reader.bitsPerSample / 8);
        return std::min (claimed, fileBytes / bytesPerFrame);
    }

    // claimed * channels stays below maxKickSamples here, so nothing overflows.
    if (claimed * channels / maxDecodedSamplesPerFileByte > fileBytes)
        return 0;

    return claimed;
}
} // namespace

bool loadSampleFile (LoadedSample& out, const juce::File& file, juce::AudioFormatManager& formats)
{
    const std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));

    if (reader == nullptr)
        return false;

    const auto channels = reader->numChannels;
    const auto fileRate = reader->sampleRate;

    if (channels < 1 || channels > maxKickChannels || reader->bitsPerSample > 64)
        return false;

    if (! std::isfinite (fileRate) || fileRate > maxKickSampleRate)
        return false;

    const auto length = deliverableLength (*reader);

    if (length < 1)
        return false;

    juce::AudioBuffer<float> buffer;

    try
    {
        buffer.setSize ((int) channels, (int) length, false, true);
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }

    reader->read (&buffer, 0, (int) length, 0, true, true);

    out.buffer = std::move (buffer);
    out.sampleRate = fileRate > 0.0 ? fileRate : 44100.0;
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
