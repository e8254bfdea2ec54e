#include "support/KickFileFixtures.h"

#include "support/AudioFileBytes.h"
#include "support/AudioFiles.h"

#include <cmath>

namespace zobtest
{
namespace
{
    constexpr juce::uint32 fixedOggSerial = 0x5a4f4221;

    //==============================================================================
    /** The parts of one Ogg page inside a file. */
    struct OggPage
    {
        size_t start = 0, headerSize = 0, size = 0;
    };

    std::vector<OggPage> findOggPages (const juce::MemoryBlock& ogg)
    {
        std::vector<OggPage> pages;
        const auto* bytes = static_cast<const juce::uint8*> (ogg.getData());
        size_t position = 0;

        while (position + 27 <= ogg.getSize() && std::memcmp (bytes + position, "OggS", 4) == 0)
        {
            OggPage page;
            page.start = position;
            const size_t segments = bytes[position + 26];
            page.headerSize = 27 + segments;

            if (position + page.headerSize > ogg.getSize())
                break;

            size_t body = 0;
            for (size_t i = 0; i < segments; ++i)
                body += bytes[position + 27 + i];

            page.size = page.headerSize + body;

            if (position + page.size > ogg.getSize())
                break;

            pages.push_back (page);
            position += page.size;
        }

        return pages;
    }

    /** Ogg's page checksum: CRC-32 with polynomial 0x04c11db7, no reflection, starting at 0,
        over the page with its checksum field set to 0. */
    void refreshOggChecksum (juce::MemoryBlock& ogg, const OggPage& page)
    {
        auto* bytes = static_cast<juce::uint8*> (ogg.getData()) + page.start;
        std::memset (bytes + 22, 0, 4);
        juce::uint32 crc = 0;

        for (size_t i = 0; i < page.size; ++i)
        {
            crc ^= (juce::uint32) bytes[i] << 24;

            for (int bit = 0; bit < 8; ++bit)
                crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04c11db7u : crc << 1;
        }

        for (int i = 0; i < 4; ++i)
            bytes[22 + i] = (juce::uint8) (crc >> (8 * i));
    }

    /** The offset of the Vorbis identification header in the first page's body. */
    size_t vorbisIdentificationOffset (const juce::MemoryBlock& ogg)
    {
        const auto pages = findOggPages (ogg);
        jassert (! pages.empty());
        return pages.front().start + pages.front().headerSize;
    }

    /** An 80-bit IEEE extended number, as AIFF stores its sample rate. */
    void writeExtended (ByteWriter& out, double value)
    {
        if (value <= 0.0 || ! std::isfinite (value))
        {
            out.zeros (10);
            return;
        }

        int exponent = 0;
        const auto fraction = std::frexp (value, &exponent); // value = fraction * 2^exponent, 0.5 <= fraction < 1
        const auto mantissa = (juce::uint64) std::ldexp (fraction, 64);
        out.be16 ((juce::uint32) (exponent - 1 + 16383));
        out.be32 ((juce::uint32) (mantissa >> 32)).be32 ((juce::uint32) mantissa);
    }
} // namespace

juce::MemoryBlock encodeKick (juce::AudioFormat& format, int channels, int frames, double sampleRate, int bitsPerSample)
{
    return encodeAudio (format, makeSineKick (channels, frames, sampleRate, 55.0, true), sampleRate, bitsPerSample);
}

juce::AudioBuffer<float> makeNoise (int channels, int frames)
{
    juce::AudioBuffer<float> noise (channels, frames);
    juce::Random random (0x5a4f42);

    for (int channel = 0; channel < channels; ++channel)
        for (int i = 0; i < frames; ++i)
            noise.setSample (channel, i, random.nextFloat() - 0.5f);

    return noise;
}

juce::MemoryBlock encodeAudio (juce::AudioFormat& format, const juce::AudioBuffer<float>& audio, double sampleRate, int bitsPerSample)
{
    const auto channels = audio.getNumChannels();
    const auto frames = audio.getNumSamples();
    juce::MemoryBlock bytes;

    {
        auto stream = std::make_unique<juce::MemoryOutputStream> (bytes, false);
        std::unique_ptr<juce::AudioFormatWriter> writer (format.createWriterFor (stream.get(), sampleRate, (unsigned int) channels, bitsPerSample, {}, 0));
        jassert (writer != nullptr);

        if (writer == nullptr)
            return {};

        stream.release(); // the writer owns it and finishes the file when it goes
        writer->writeFromAudioSampleBuffer (audio, 0, frames);
    }

    if (dynamic_cast<juce::OggVorbisAudioFormat*> (&format) != nullptr)
        setOggSerialNumber (bytes, fixedOggSerial);

    return bytes;
}

//==============================================================================
juce::MemoryBlock makeAiff (const AiffSpec& spec)
{
    ByteWriter chunks;
    const auto bytesPerFrame = juce::jmax ((juce::uint32) 1, spec.channels * ((spec.bitsPerSample + 7) / 8));

    if (spec.writeComm)
    {
        const auto frames = spec.frames >= 0 ? (juce::uint64) spec.frames : (juce::uint64) (spec.data.getSize() / bytesPerFrame);
        chunks.text ("COMM").be32 (spec.compression != nullptr ? 24 : 18);
        chunks.be16 (spec.channels).be32 ((juce::uint32) frames).be16 (spec.bitsPerSample);
        writeExtended (chunks, spec.sampleRate);

        if (spec.compression != nullptr)
            chunks.text (spec.compression).u8 (0).u8 (0); // an empty name, padded to even
    }

    if (spec.writeSsnd)
    {
        const auto size = spec.ssndSizeOverride >= 0 ? (juce::uint32) spec.ssndSizeOverride : (juce::uint32) (spec.data.getSize() + 8);
        chunks.text ("SSND").be32 (size).be32 (0).be32 (0).raw (spec.data);

        if ((spec.data.getSize() & 1) != 0)
            chunks.u8 (0);
    }

    ByteWriter file;
    file.text ("FORM").be32 ((juce::uint32) chunks.bytes.getSize() + 4).text (spec.compression != nullptr ? "AIFC" : "AIFF").raw (chunks.bytes);
    return file.bytes;
}

juce::MemoryBlock pcm16BigEndian (const std::vector<float>& samples)
{
    ByteWriter w;
    for (auto s : samples)
        w.be16 ((juce::uint16) (juce::int16) juce::jlimit (-32767, 32767, (int) std::lround (s * 32767.0f)));
    return w.bytes;
}

//==============================================================================
void setFlacField (juce::MemoryBlock& flac, FlacField field, juce::uint64 value)
{
    // "fLaC", the block header (type, 24-bit length), then the stream header's 34 bytes.
    jassert (flac.getSize() > 42 && std::memcmp (flac.getData(), "fLaC", 4) == 0);
    auto* info = static_cast<juce::uint8*> (flac.getData()) + 8;

    switch (field)
    {
        case FlacField::minBlockSize:
        case FlacField::maxBlockSize:
        {
            auto* at = info + (field == FlacField::minBlockSize ? 0 : 2);
            at[0] = (juce::uint8) (value >> 8);
            at[1] = (juce::uint8) value;
            break;
        }
        case FlacField::sampleRate:
            info[10] = (juce::uint8) (value >> 12);
            info[11] = (juce::uint8) (value >> 4);
            info[12] = (juce::uint8) ((info[12] & 0x0f) | ((value & 0x0f) << 4));
            break;
        case FlacField::channels:
            info[12] = (juce::uint8) ((info[12] & 0xf1) | (((value - 1) & 7) << 1));
            break;
        case FlacField::bitsPerSample:
        {
            const auto code = (value - 1) & 0x1f;
            info[12] = (juce::uint8) ((info[12] & 0xfe) | (code >> 4));
            info[13] = (juce::uint8) ((info[13] & 0x0f) | ((code & 0x0f) << 4));
            break;
        }
        case FlacField::totalSamples:
            info[13] = (juce::uint8) ((info[13] & 0xf0) | ((value >> 32) & 0x0f));
            for (int i = 0; i < 4; ++i)
                info[14 + i] = (juce::uint8) (value >> (24 - 8 * i));
            break;
        case FlacField::firstBlockType:
            info[-4] = (juce::uint8) ((info[-4] & 0x80) | (value & 0x7f));
            break;
    }
}

//==============================================================================
void setOggSerialNumber (juce::MemoryBlock& ogg, juce::uint32 serial)
{
    for (const auto& page : findOggPages (ogg))
    {
        auto* bytes = static_cast<juce::uint8*> (ogg.getData()) + page.start;
        for (int i = 0; i < 4; ++i)
            bytes[14 + i] = (juce::uint8) (serial >> (8 * i));
        refreshOggChecksum (ogg, page);
    }
}

void setLastOggGranulePosition (juce::MemoryBlock& ogg, juce::uint64 position)
{
    const auto pages = findOggPages (ogg);
    jassert (! pages.empty());
    auto* bytes = static_cast<juce::uint8*> (ogg.getData()) + pages.back().start;

    for (int i = 0; i < 8; ++i)
        bytes[6 + i] = (juce::uint8) (position >> (8 * i));

    refreshOggChecksum (ogg, pages.back());
}

void setVorbisChannelsAndRate (juce::MemoryBlock& ogg, juce::uint8 channels, juce::uint32 sampleRate)
{
    // Packet type, "vorbis", a 32-bit version, then the channel count and the 32-bit rate.
    auto* header = static_cast<juce::uint8*> (ogg.getData()) + vorbisIdentificationOffset (ogg);
    header[11] = channels;

    for (int i = 0; i < 4; ++i)
        header[12 + i] = (juce::uint8) (sampleRate >> (8 * i));

    refreshOggChecksum (ogg, findOggPages (ogg).front());
}

void setVorbisFirstPacketType (juce::MemoryBlock& ogg, juce::uint8 type)
{
    static_cast<juce::uint8*> (ogg.getData())[vorbisIdentificationOffset (ogg)] = type;
    refreshOggChecksum (ogg, findOggPages (ogg).front());
}
} // namespace zobtest
