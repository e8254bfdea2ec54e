#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

#include <vector>

namespace zobtest
{
/** Small kick files in every format JUCE's basic set reads, made in memory, and the means to
    break each of them in the ways a damaged or hostile file can be broken. Everything here
    is deterministic: the same call gives the same bytes in every run. */

/** makeSineKick encoded by one of JUCE's writers (WAV, AIFF, FLAC or Ogg Vorbis). Ogg
    streams get the fixed serial number 0x5a4f4221 instead of the writer's random one. */
juce::MemoryBlock encodeKick (juce::AudioFormat& format, int channels, int frames, double sampleRate = 44100.0, int bitsPerSample = 16);

/** Any audio encoded the same way. */
juce::MemoryBlock encodeAudio (juce::AudioFormat& format, const juce::AudioBuffer<float>& audio, double sampleRate, int bitsPerSample);

/** Seeded white noise at half scale: it fills several Ogg pages where a kick fills one. */
juce::AudioBuffer<float> makeNoise (int channels, int frames);

//==============================================================================
/** Header fields of a hand-made AIFF file (big-endian PCM); every one can be set to
    something broken. */
struct AiffSpec
{
    juce::uint32 channels = 1;
    juce::int64 frames = -1; // the COMM frame count; -1: what the data holds
    juce::uint32 bitsPerSample = 16;
    double sampleRate = 44100.0; // stored as an 80-bit extended number
    juce::MemoryBlock data; // the sample bytes as stored
    const char* compression = nullptr; // an AIFC compression type; nullptr: plain AIFF
    bool writeComm = true, writeSsnd = true;
    juce::int64 ssndSizeOverride = -1;
};

juce::MemoryBlock makeAiff (const AiffSpec& spec);

/** 16-bit big-endian PCM of the samples (AIFF's byte order). */
juce::MemoryBlock pcm16BigEndian (const std::vector<float>& samples);

//==============================================================================
/** Fields of the stream header (STREAMINFO) of a FLAC file whose first metadata block it
    is, as JUCE's writer makes them. */
enum class FlacField
{
    minBlockSize,
    maxBlockSize,
    sampleRate, // 20 bits
    channels, // the count itself, 1 to 8
    bitsPerSample, // the size itself, 1 to 32
    totalSamples, // 36 bits
    firstBlockType // the first metadata block's type (0 is the stream header)
};

void setFlacField (juce::MemoryBlock& flac, FlacField field, juce::uint64 value);

//==============================================================================
/** Ogg files: every change below recomputes the checksums of the pages it touches. */

/** Sets the serial number of every page. */
void setOggSerialNumber (juce::MemoryBlock& ogg, juce::uint32 serial);

/** Sets the granule position (the stream's length in frames, for its last page) of the
    last page. */
void setLastOggGranulePosition (juce::MemoryBlock& ogg, juce::uint64 position);

/** Rewrites the channel count and rate in the Vorbis identification header. */
void setVorbisChannelsAndRate (juce::MemoryBlock& ogg, juce::uint8 channels, juce::uint32 sampleRate);

/** Rewrites the byte that marks the first packet as the Vorbis identification header. */
void setVorbisFirstPacketType (juce::MemoryBlock& ogg, juce::uint8 type);
} // namespace zobtest
