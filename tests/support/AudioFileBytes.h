#pragma once

#include <juce_core/juce_core.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace zobtest
{
/** Little helpers that write audio files byte by byte, so tests can make well-formed kicks
    and every kind of broken header without a codec (and without the program's own code:
    the host tests use this too). Only juce_core is needed. */
struct ByteWriter
{
    juce::MemoryBlock bytes;

    ByteWriter& text (const char* fourCharacters)
    {
        bytes.append (fourCharacters, 4);
        return *this;
    }
    ByteWriter& u8 (uint8_t v)
    {
        bytes.append (&v, 1);
        return *this;
    }
    ByteWriter& le16 (uint32_t v) { return u8 ((uint8_t) v).u8 ((uint8_t) (v >> 8)); }
    ByteWriter& le32 (uint32_t v) { return le16 (v & 0xffff).le16 (v >> 16); }
    ByteWriter& le64 (uint64_t v) { return le32 ((uint32_t) v).le32 ((uint32_t) (v >> 32)); }
    ByteWriter& be16 (uint32_t v) { return u8 ((uint8_t) (v >> 8)).u8 ((uint8_t) v); }
    ByteWriter& be32 (uint32_t v) { return be16 (v >> 16).be16 (v & 0xffff); }
    ByteWriter& raw (const void* data, size_t size)
    {
        bytes.append (data, size);
        return *this;
    }
    ByteWriter& raw (const juce::MemoryBlock& block)
    {
        bytes.append (block.getData(), block.getSize());
        return *this;
    }
    ByteWriter& zeros (size_t count)
    {
        std::vector<char> z (count, 0);
        bytes.append (z.data(), count);
        return *this;
    }
};

/** Header fields of a canonical RIFF WAV file; every one can be set to something broken. */
struct WavSpec
{
    uint32_t formatTag = 1; // 1 PCM, 3 IEEE float, 0xfffe extensible
    uint32_t channels = 1;
    uint32_t sampleRate = 44100;
    uint32_t bitsPerSample = 16;
    juce::MemoryBlock data; // the sample bytes as stored
    bool writeFmt = true, writeData = true;
    int64_t riffSizeOverride = -1, dataSizeOverride = -1;
};

inline juce::MemoryBlock makeWav (const WavSpec& spec)
{
    ByteWriter chunks;
    if (spec.writeFmt)
    {
        const auto blockAlign = spec.channels * ((spec.bitsPerSample + 7) / 8);
        chunks.text ("fmt ").le32 (16).le16 (spec.formatTag).le16 (spec.channels).le32 (spec.sampleRate).le32 (spec.sampleRate * blockAlign).le16 (blockAlign).le16 (spec.bitsPerSample);
    }
    if (spec.writeData)
    {
        chunks.text ("data").le32 (spec.dataSizeOverride >= 0 ? (uint32_t) spec.dataSizeOverride : (uint32_t) spec.data.getSize());
        chunks.raw (spec.data);
        if ((spec.data.getSize() & 1) != 0)
            chunks.u8 (0);
    }
    ByteWriter file;
    file.text ("RIFF").le32 (spec.riffSizeOverride >= 0 ? (uint32_t) spec.riffSizeOverride : (uint32_t) chunks.bytes.getSize() + 4).text ("WAVE").raw (chunks.bytes);
    return file.bytes;
}

/** A synthetic kick: a decaying 55 Hz sine that starts at its peak, so its first sample is
    loud and a note's start can be found to the sample. */
inline std::vector<float> makeKickSamples (double sampleRate = 44100.0, double seconds = 0.3, double hz = 55.0)
{
    std::vector<float> samples ((size_t) (sampleRate * seconds));
    for (size_t i = 0; i < samples.size(); ++i)
    {
        const auto t = (double) i / sampleRate;
        samples[i] = (float) (0.8 * std::cos (2.0 * juce::MathConstants<double>::pi * hz * t) * std::exp (-t * 12.0));
    }
    return samples;
}

inline juce::MemoryBlock pcm16 (const std::vector<float>& samples)
{
    ByteWriter w;
    for (auto s : samples)
        w.le16 ((uint16_t) (int16_t) juce::jlimit (-32767, 32767, (int) std::lround (s * 32767.0f)));
    return w.bytes;
}

inline juce::MemoryBlock float32 (const std::vector<float>& samples)
{
    ByteWriter w;
    for (auto s : samples)
    {
        uint32_t bits;
        std::memcpy (&bits, &s, 4);
        w.le32 (bits);
    }
    return w.bytes;
}

/** A valid mono 16-bit kick WAV file. */
inline juce::MemoryBlock makeKickWav (double sampleRate = 44100.0)
{
    WavSpec spec;
    spec.sampleRate = (uint32_t) sampleRate;
    spec.data = pcm16 (makeKickSamples (sampleRate));
    return makeWav (spec);
}

inline bool writeBytes (const juce::File& file, const juce::MemoryBlock& bytes)
{
    file.getParentDirectory().createDirectory();
    return file.replaceWithData (bytes.getData(), bytes.getSize());
}
} // namespace zobtest
