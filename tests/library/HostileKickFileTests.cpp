// Kick files broken in every way we can think of, in every accepted format, through every
// entry point that reads kick files: the loader, the key cache's detection and the import.
// Each file must come out as a refusal (or, where the damage leaves usable audio, as a load
// of what the file really holds): never a crash, a hang or a huge allocation.

#include "engine/KickLoading.h"
#include "engine/ZobAudioProcessor.h"
#include "library/KeyCache.h"
#include "library/KickFileReader.h"
#include "library/KickFolders.h"
#include "support/AudioFileBytes.h"
#include "support/AudioFiles.h"
#include "support/KickFileFixtures.h"
#include "support/RealtimeTrap.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace
{
using Bytes = juce::MemoryBlock;

constexpr double kickRate = 44100.0;
constexpr int kickFrames = 26460; // 0.6 s: long enough for the pitch analysis

enum class Outcome
{
    refused, // load false, key cache entry invalid (or none for what is not a file), import refused
    loads, // what the file really holds loads and imports; its key may or may not be found
    loadsAKick // a whole kick: it loads, imports, and its key is found
};

struct HostileFile
{
    juce::String name;
    Outcome outcome;
    std::function<void (const juce::File&)> make;
};

std::function<void (const juce::File&)> withBytes (const Bytes& bytes)
{
    return [bytes] (const juce::File& file)
    { ASSERT_TRUE (zobtest::writeBytes (file, bytes)); };
}

Bytes firstBytes (const Bytes& bytes, size_t count)
{
    return Bytes (bytes.getData(), std::min (count, bytes.getSize()));
}

Bytes plusOneByte (Bytes bytes)
{
    bytes.append ("\x5a", 1);
    return bytes;
}

template <typename Change>
Bytes changed (Bytes bytes, Change change)
{
    change (bytes);
    return bytes;
}

std::vector<float> kickSamples()
{
    const auto kick = zobtest::makeSineKick (1, kickFrames, kickRate);
    return { kick.getReadPointer (0), kick.getReadPointer (0) + kickFrames };
}

const Bytes& encoded (juce::AudioFormat&& format, int channels = 1, int bits = 16)
{
    // One encoding per format and layout for the whole run.
    static std::map<juce::String, Bytes> cache;
    auto& bytes = cache[format.getFormatName() + juce::String (channels) + "/" + juce::String (bits)];

    if (bytes.isEmpty())
        bytes = zobtest::encodeKick (format, channels, kickFrames, kickRate, bits);

    return bytes;
}

//==============================================================================
Bytes wav (std::function<void (zobtest::WavSpec&)> change)
{
    zobtest::WavSpec spec;
    spec.data = zobtest::pcm16 (kickSamples());
    change (spec);
    return zobtest::makeWav (spec);
}

/** A RIFF64 file whose "ds64" chunk says what the case wants (or is cut short). */
Bytes rf64 (juce::uint32 ds64Size, juce::uint64 dataSize)
{
    const auto samples = zobtest::pcm16 (kickSamples());
    zobtest::ByteWriter w;
    w.text ("RF64").le32 (0xffffffffu).text ("WAVE");
    w.text ("ds64").le32 (ds64Size);

    if (ds64Size >= 28)
        w.le64 (0xffffffffffffffffull).le64 (dataSize).le64 (0).le32 (0);
    else
        w.zeros (ds64Size);

    w.text ("fmt ").le32 (16).le16 (1).le16 (1).le32 (44100).le32 (88200).le16 (2).le16 (16);
    w.text ("data").le32 (0xffffffffu).raw (samples);
    return w.bytes;
}

Bytes aiff (std::function<void (zobtest::AiffSpec&)> change)
{
    zobtest::AiffSpec spec;
    spec.data = zobtest::pcm16BigEndian (kickSamples());
    change (spec);
    return zobtest::makeAiff (spec);
}

Bytes flac (std::function<void (Bytes&)> change, int channels = 1)
{
    auto bytes = encoded (juce::FlacAudioFormat(), channels);
    change (bytes);
    return bytes;
}

/** A second of noise: unlike a kick it fills several pages, so that the last page's
    position can claim a length of its own. */
const Bytes& noiseOgg()
{
    static const auto bytes = []
    {
        juce::OggVorbisAudioFormat format;
        auto encodedNoise = zobtest::encodeAudio (format, zobtest::makeNoise (1, 44100), kickRate, 16);
        zobtest::setOggSerialNumber (encodedNoise, 0x5a4f4221);
        return encodedNoise;
    }();
    return bytes;
}

Bytes ogg (std::function<void (Bytes&)> change, const Bytes& original = encoded (juce::OggVorbisAudioFormat()))
{
    auto bytes = original;
    change (bytes);
    return bytes;
}

/** A stereo stream followed by a mono one: a chained file whose second stream carries
    fewer channels than the first, which is all JUCE's reader looks at (it copies the
    missing channel from beyond the decoder's channel list and crashes). */
Bytes chainedOgg()
{
    auto bytes = encoded (juce::OggVorbisAudioFormat(), 2);
    auto second = encoded (juce::OggVorbisAudioFormat(), 1);
    zobtest::setOggSerialNumber (second, 0x0bad5eed);
    bytes.append (second.getData(), second.getSize());
    return bytes;
}

/** The file with one more chunk put in front of its first one (after the 12-byte header). */
Bytes withChunkFirst (const Bytes& file, const zobtest::ByteWriter& chunk)
{
    Bytes result (file.getData(), 12);
    result.append (chunk.bytes.getData(), chunk.bytes.getSize());
    result.append (static_cast<const char*> (file.getData()) + 12, file.getSize() - 12);
    return result;
}

/** The file with a last chunk that claims `claimed` bytes of which only `present` made it
    (a file cut short inside its last chunk); the container's size counts the whole claim,
    as it did before the file was cut (up to the largest size an AIFF reader takes as
    positive). AIFF sizes are big-endian. */
Bytes withChunkCutShort (const Bytes& file, const char* type, juce::uint32 claimed, const Bytes& present, bool bigEndian = false)
{
    zobtest::ByteWriter chunk;
    chunk.text (type);
    bigEndian ? chunk.be32 (claimed) : chunk.le32 (claimed);
    chunk.raw (present);

    auto result = file;
    result.append (chunk.bytes.getData(), chunk.bytes.getSize());

    const auto containerSize = (juce::uint32) std::min ((juce::int64) file.getSize() + claimed, (juce::int64) 0x7fffffff);
    zobtest::ByteWriter size;
    bigEndian ? size.be32 (containerSize) : size.le32 (containerSize);
    result.copyFrom (size.bytes.getData(), 4, 4);
    return result;
}

/** The same, the bytes that made it all 0x5a. */
Bytes withChunkCutShort (const Bytes& file, const char* type, juce::uint32 claimed, size_t present, bool bigEndian = false)
{
    return withChunkCutShort (file, type, claimed, Bytes (std::vector<char> (present, 0x5a).data(), present), bigEndian);
}

const Bytes text { "This is not a sound file at all, just a note renamed.", 53 };

//==============================================================================
// Metadata chunks, which JUCE's readers parse while they are made, by what the chunks claim.

/** A chunk of the given type and contents, padded to an even size; AIFF lengths are big-endian. */
zobtest::ByteWriter chunk (const char* type, const Bytes& contents, bool bigEndian = false)
{
    zobtest::ByteWriter w;
    w.text (type);
    bigEndian ? w.be32 ((juce::uint32) contents.getSize()) : w.le32 ((juce::uint32) contents.getSize());
    w.raw (contents);

    if ((contents.getSize() & 1) != 0)
        w.u8 (0);

    return w;
}

Bytes repeated (const Bytes& bytes, int times)
{
    Bytes result;

    for (int i = 0; i < times; ++i)
        result.append (bytes.getData(), bytes.getSize());

    return result;
}

/** The file with chunks appended, the container's size grown to match. */
Bytes withChunksAfter (const Bytes& file, const Bytes& chunks, bool bigEndian = false)
{
    auto result = file;
    result.append (chunks.getData(), chunks.getSize());
    zobtest::ByteWriter size;
    bigEndian ? size.be32 ((juce::uint32) result.getSize() - 8) : size.le32 ((juce::uint32) result.getSize() - 8);
    result.copyFrom (size.bytes.getData(), 4, 4);
    return result;
}

/** A list of cue labels whose entries claim no length: JUCE's WAV reader reads each of them to
    the end of the file. */
Bytes emptyLabels (int count)
{
    return chunk ("LIST", zobtest::ByteWriter().text ("adtl").raw (repeated (zobtest::ByteWriter().text ("labl").le32 (0).bytes, count)).bytes).bytes;
}

/** Category chunks too short for their own header, followed by a chunk of tags: JUCE's AIFF
    reader reads each of them to the end of the file and turns every tag it meets there into
    a text that runs to the file's end. The chunks are 10 bytes apart and a tag starts every
    10 bytes after them, where each of those reads looks for one (every 50 bytes). */
Bytes emptyCategoriesThenTags (int count)
{
    const auto empty = zobtest::ByteWriter().text ("cate").be32 (2).zeros (2).bytes;
    return zobtest::ByteWriter()
        .raw (repeated (empty, count))
        .raw (chunk ("ANNO", zobtest::ByteWriter().zeros (4).raw (repeated (Bytes ("Kickkickki", 10), 400)).bytes, true).bytes)
        .bytes;
}

//==============================================================================
std::vector<HostileFile> hostileFiles()
{
    using zobtest::AiffSpec;
    using zobtest::FlacField;
    using zobtest::setFlacField;
    using zobtest::WavSpec;
    const auto refused = Outcome::refused, loads = Outcome::loads, kick = Outcome::loadsAKick;
    const auto& wavKick = encoded (juce::WavAudioFormat());
    const auto& aiffKick = encoded (juce::AiffAudioFormat());
    const auto& flacKick = encoded (juce::FlacAudioFormat());
    const auto& oggKick = encoded (juce::OggVorbisAudioFormat());

    // clang-format off
    return {
        // WAV, and its broadcast variant
        { "Kick.wav", kick, withBytes (wavKick) },
        { "Float.bwf", kick, withBytes (encoded (juce::WavAudioFormat(), 2, 32)) },
        { "Empty.wav", refused, withBytes ({}) },
        { "Cut in header.wav", refused, withBytes (firstBytes (wavKick, 30)) },
        { "Cut in data.wav", loads, withBytes (firstBytes (wavKick, wavKick.getSize() / 2)) },
        { "Odd data.wav", loads, withBytes (wav ([] (WavSpec& s) { s.data.setSize (s.data.getSize() - 1); })) },
        { "Odd tail.wav", kick, withBytes (plusOneByte (wavKick)) },
        { "Data 7FFFFFF0.wav", refused, withBytes (wav ([] (WavSpec& s) { s.dataSizeOverride = 0x7ffffff0; })) },
        { "Data FFFFFFFF.wav", refused, withBytes (wav ([] (WavSpec& s) { s.dataSizeOverride = 0xffffffff; })) },
        { "RIFF FFFFFFFF.wav", kick, withBytes (wav ([] (WavSpec& s) { s.riffSizeOverride = 0xffffffff; })) },
        { "0 channels.wav", refused, withBytes (wav ([] (WavSpec& s) { s.channels = 0; })) },
        { "65535 channels.wav", refused, withBytes (wav ([] (WavSpec& s) { s.channels = 65535; })) },
        { "Rate 0.wav", refused, withBytes (wav ([] (WavSpec& s) { s.sampleRate = 0; })) },
        { "Rate 4e9.wav", refused, withBytes (wav ([] (WavSpec& s) { s.sampleRate = 4000000000u; })) },
        { "0 bits.wav", refused, withBytes (wav ([] (WavSpec& s) { s.bitsPerSample = 0; })) },
        { "13 bits.wav", refused, withBytes (wav ([] (WavSpec& s) { s.bitsPerSample = 13; })) },
        { "Tag 1234.wav", refused, withBytes (wav ([] (WavSpec& s) { s.formatTag = 0x1234; })) },
        { "Short extensible.wav", refused, withBytes (wav ([] (WavSpec& s) { s.formatTag = 0xfffe; })) },
        { "No fmt.wav", refused, withBytes (wav ([] (WavSpec& s) { s.writeFmt = false; })) },
        { "No data.wav", refused, withBytes (wav ([] (WavSpec& s) { s.writeData = false; })) },
        { "RF64 without ds64.wav", refused, withBytes (changed (wavKick, [] (Bytes& b) { b.copyFrom ("RF64", 0, 4); })) },
        { "RF64 short ds64.wav", refused, withBytes (rf64 (8, 0)) },
        { "RF64 data 7FFFFFF0.wav", refused, withBytes (rf64 (28, 0x7ffffff0)) },
        { "RF64 data FFFFFFFF.wav", refused, withBytes (rf64 (28, 0xffffffff)) },
        { "RF64 data 2^64-1.wav", refused, withBytes (rf64 (28, 0xffffffffffffffffull)) },
        { "Broadcast chunk FFFFFFF0.wav", refused, withBytes (withChunkFirst (wavKick, zobtest::ByteWriter().text ("bext").le32 (0xfffffff0).zeros (16))) },
        { "Cue chunk FFFFFFF0.wav", refused, withBytes (withChunkFirst (wavKick, zobtest::ByteWriter().text ("cue ").le32 (0xfffffff0).zeros (16))) },
        { "Cut in broadcast chunk.wav", kick, withBytes (withChunkCutShort (wavKick, "bext", 602, 100)) },
        { "Cut in sampler chunk.wav", kick, withBytes (withChunkCutShort (wavKick, "smpl", 60, 20)) },
        { "Cut in instrument chunk.wav", kick, withBytes (withChunkCutShort (wavKick, "inst", 7, 3)) },
        { "Cut in cue chunk.wav", kick, withBytes (withChunkCutShort (wavKick, "cue ", 100, 30)) },
        { "Cut in 1 MiB sampler chunk.wav", kick, withBytes (withChunkCutShort (wavKick, "smpl", 1024 * 1024, 20)) },
        { "Sampler chunk 1 MiB past the end.wav", refused, withBytes (withChunkCutShort (wavKick, "smpl", 1024 * 1024 + 2, 20)) },
        { "Cue chunk FFFFFFF0 past the end.wav", refused, withBytes (withChunkCutShort (wavKick, "cue ", 0xfffffff0, 30)) },
        // Metadata chunks that claim far more work than the file holds
        { "Cut in 1 MiB cue chunk of 0x5a5a5a5a points.wav", kick, withBytes (withChunkCutShort (wavKick, "cue ", 1024 * 1024, 300)) },
        { "Cut in 1 MiB sampler chunk of 0x5a5a5a5a loops.wav", kick, withBytes (withChunkCutShort (wavKick, "smpl", 1024 * 1024, 300)) },
        { "Cut in label list.wav", kick, withBytes (withChunkCutShort (wavKick, "LIST", 4000, zobtest::ByteWriter().text ("adtl").text ("labl").le32 (8).zeros (8).bytes)) },
        { "400 empty labels.wav", kick, withBytes (withChunksAfter (wavKick, emptyLabels (400))) },
        { "Text.wav", refused, withBytes (text) },

        // AIFF
        { "Kick.aiff", kick, withBytes (aiffKick) },
        { "Hand made.aif", kick, withBytes (aiff ([] (AiffSpec&) {})) },
        { "Empty.aif", refused, withBytes ({}) },
        { "Cut in header.aiff", refused, withBytes (firstBytes (aiffKick, 30)) },
        { "Cut in data.aiff", loads, withBytes (firstBytes (aiffKick, aiffKick.getSize() / 2)) },
        { "Odd data.aif", loads, withBytes (aiff ([] (AiffSpec& s) { s.data.setSize (s.data.getSize() - 1); })) },
        { "Odd tail.aiff", kick, withBytes (plusOneByte (aiffKick)) },
        { "Frames 7FFFFFF0.aif", kick, withBytes (aiff ([] (AiffSpec& s) { s.frames = 0x7ffffff0; })) },
        { "Frames FFFFFFFF.aif", refused, withBytes (aiff ([] (AiffSpec& s) { s.frames = 0xffffffff; })) },
        { "Sound data 7FFFFFF0.aif", kick, withBytes (aiff ([] (AiffSpec& s) { s.ssndSizeOverride = 0x7ffffff0; })) },
        { "Frames and data 7FFFFFF0.aif", refused, withBytes (aiff ([] (AiffSpec& s) { s.frames = 0x7ffffff0; s.ssndSizeOverride = 0x7ffffff0; })) },
        { "Sound data FFFFFFFF.aif", kick, withBytes (aiff ([] (AiffSpec& s) { s.ssndSizeOverride = 0xffffffff; })) },
        { "0 channels.aif", refused, withBytes (aiff ([] (AiffSpec& s) { s.channels = 0; })) },
        { "65535 channels.aif", refused, withBytes (aiff ([] (AiffSpec& s) { s.channels = 65535; })) },
        { "Rate 0.aif", refused, withBytes (aiff ([] (AiffSpec& s) { s.sampleRate = 0.0; })) },
        { "Rate 4e9.aif", refused, withBytes (aiff ([] (AiffSpec& s) { s.sampleRate = 4.0e9; })) },
        { "0 bits.aif", refused, withBytes (aiff ([] (AiffSpec& s) { s.bitsPerSample = 0; })) },
        { "13 bits.aif", refused, withBytes (aiff ([] (AiffSpec& s) { s.bitsPerSample = 13; })) },
        { "Compression XXXX.aif", refused, withBytes (aiff ([] (AiffSpec& s) { s.compression = "XXXX"; })) },
        { "No COMM.aif", refused, withBytes (aiff ([] (AiffSpec& s) { s.writeComm = false; })) },
        { "No SSND.aif", refused, withBytes (aiff ([] (AiffSpec& s) { s.writeSsnd = false; })) },
        { "Cut in instrument chunk.aif", kick, withBytes (withChunkCutShort (aiff ([] (AiffSpec&) {}), "INST", 20, 8, true)) },
        { "Instrument chunk FFFFFFF0 past the end.aif", refused, withBytes (withChunkCutShort (aiff ([] (AiffSpec&) {}), "INST", 0xfffffff0, 8, true)) },
        { "Instrument chunk FFFFFFF0.aif", refused, withBytes (withChunkFirst (aiff ([] (AiffSpec&) {}), zobtest::ByteWriter().text ("INST").be32 (0xfffffff0).zeros (20))) },
        { "65535 markers from nothing.aif", refused, withBytes (withChunkFirst (aiff ([] (AiffSpec&) {}), zobtest::ByteWriter().text ("MARK").be32 (2).be16 (0xffff))) },
        { "65535 comments from nothing.aif", refused, withBytes (withChunkFirst (aiff ([] (AiffSpec&) {}), zobtest::ByteWriter().text ("COMT").be32 (2).be16 (0xffff))) },
        { "Cut in 1 MiB marker chunk of 0x5a5a markers.aif", kick, withBytes (withChunkCutShort (aiffKick, "MARK", 1024 * 1024, 300, true)) },
        { "Cut in 1 MiB comment chunk of 0x5a5a comments.aif", kick, withBytes (withChunkCutShort (aiffKick, "COMT", 1024 * 1024, 300, true)) },
        { "400 empty category chunks.aiff", kick, withBytes (withChunksAfter (aiffKick, emptyCategoriesThenTags (400), true)) },
        { "Text.aiff", refused, withBytes (text) },

        // FLAC
        { "Kick.flac", kick, withBytes (flacKick) },
        { "Stereo 24.flac", kick, withBytes (encoded (juce::FlacAudioFormat(), 2, 24)) },
        { "Empty.flac", refused, withBytes ({}) },
        { "Cut in header.flac", refused, withBytes (firstBytes (flacKick, 30)) },
        { "Cut in data.flac", loads, withBytes (firstBytes (flacKick, flacKick.getSize() / 2)) },
        { "Odd tail.flac", kick, withBytes (plusOneByte (flacKick)) },
        { "Length unknown.flac", kick, withBytes (flac ([] (Bytes& b) { setFlacField (b, FlacField::totalSamples, 0); })) },
        { "Length 7FFFFFF0.flac", refused, withBytes (flac ([] (Bytes& b) { setFlacField (b, FlacField::totalSamples, 0x7ffffff0); })) },
        { "Length FFFFFFFF.flac", refused, withBytes (flac ([] (Bytes& b) { setFlacField (b, FlacField::totalSamples, 0xffffffff); })) },
        { "Rate 0.flac", refused, withBytes (flac ([] (Bytes& b) { setFlacField (b, FlacField::sampleRate, 0); })) },
        { "Rate FFFFF.flac", refused, withBytes (flac ([] (Bytes& b) { setFlacField (b, FlacField::sampleRate, 0xfffff); })) },
        { "13 bits.flac", refused, withBytes (flac ([] (Bytes& b) { setFlacField (b, FlacField::bitsPerSample, 13); })) },
        // The frames carry fewer channels than the stream header declares: JUCE's reader
        // fills the missing channels through pointers the codec library never set.
        { "Mono frames, stereo header.flac", refused, withBytes (flac ([] (Bytes& b) { setFlacField (b, FlacField::channels, 2); })) },
        { "Stereo frames, 8 channel header.flac", refused, withBytes (flac ([] (Bytes& b) { setFlacField (b, FlacField::channels, 8); },
                                                                            2)) },
        { "No stream header.flac", refused, withBytes (flac ([] (Bytes& b) { setFlacField (b, FlacField::firstBlockType, 1); })) },
        { "Unknown block.flac", refused, withBytes (flac ([] (Bytes& b) { setFlacField (b, FlacField::firstBlockType, 127); })) },
        { "Text.flac", refused, withBytes (text) },

        // Ogg Vorbis
        { "Kick.ogg", kick, withBytes (oggKick) },
        { "Empty.ogg", refused, withBytes ({}) },
        { "Cut in header.ogg", refused, withBytes (firstBytes (oggKick, 40)) },
        // The codec library reads an Ogg stream without its last page as empty.
        { "Cut in data.ogg", refused, withBytes (firstBytes (noiseOgg(), noiseOgg().getSize() * 3 / 4)) },
        { "Odd tail.ogg", kick, withBytes (plusOneByte (oggKick)) },
        { "Length 7FFFFFF0.ogg", refused, withBytes (ogg ([] (Bytes& b) { zobtest::setLastOggGranulePosition (b, 0x7ffffff0); },
                                                          noiseOgg())) },
        { "Length FFFFFFFF.ogg", refused, withBytes (ogg ([] (Bytes& b) { zobtest::setLastOggGranulePosition (b, 0xffffffff); },
                                                          noiseOgg())) },
        { "0 channels.ogg", refused, withBytes (ogg ([] (Bytes& b) { zobtest::setVorbisChannelsAndRate (b, 0, 44100); })) },
        { "255 channels.ogg", refused, withBytes (ogg ([] (Bytes& b) { zobtest::setVorbisChannelsAndRate (b, 255, 44100); })) },
        { "Rate 0.ogg", refused, withBytes (ogg ([] (Bytes& b) { zobtest::setVorbisChannelsAndRate (b, 1, 0); })) },
        { "Rate 4e9.ogg", refused, withBytes (ogg ([] (Bytes& b) { zobtest::setVorbisChannelsAndRate (b, 1, 4000000000u); })) },
        { "Not a Vorbis header.ogg", refused, withBytes (ogg ([] (Bytes& b) { zobtest::setVorbisFirstPacketType (b, 5); })) },
        { "Chained, fewer channels.ogg", refused, withBytes (chainedOgg()) },
        { "Text.ogg", refused, withBytes (text) },

        // Not files, and names that are hard to spell
        { "Folder.wav", refused, [] (const juce::File& f) { ASSERT_TRUE (f.createDirectory()); } },
        { "Gone.flac", refused, [] (const juce::File& f) { ASSERT_EQ (::symlink ((f.getFullPathName() + ".missing").toRawUTF8(), f.getFullPathName().toRawUTF8()), 0); } },
        { "Pipe.wav", refused, [] (const juce::File& f) { ASSERT_EQ (::mkfifo (f.getFullPathName().toRawUTF8(), 0600), 0); } },
        { "Link to a kick.wav", kick, [&wavKick] (const juce::File& f)
          {
              const auto target = f.getSiblingFile ("link target.bin");
              ASSERT_TRUE (zobtest::writeBytes (target, wavKick));
              ASSERT_EQ (::symlink (target.getFullPathName().toRawUTF8(), f.getFullPathName().toRawUTF8()), 0);
          } },
        { juce::String::fromUTF8 ("Kick mit Ümläut ß 01.wav"), kick, withBytes (wavKick) },
        { juce::String::fromUTF8 ("キック 02.flac"), kick, withBytes (flacKick) },
        { "  Spaced   out  .aiff", kick, withBytes (aiffKick) },
        { juce::String::fromUTF8 ("Ωmega garbage.ogg"), refused, withBytes (text) },
    };
    // clang-format on
}

/** True when every sample is finite and no larger than a float file could sensibly hold. */
bool allSamplesUsable (const juce::AudioBuffer<float>& buffer)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            if (! std::isfinite (buffer.getSample (channel, i)) || std::abs (buffer.getSample (channel, i)) > 16.0f)
                return false;

    return true;
}

/** Looks every file up until the cache has an entry for each of them (or time runs out). */
std::map<juce::String, KickPitchResult> detectAll (vyl::KeyCache& cache, const juce::Array<juce::File>& files)
{
    std::map<juce::String, KickPitchResult> found;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds (60);

    while ((int) found.size() < files.size() && std::chrono::steady_clock::now() < deadline)
    {
        for (const auto& file : files)
        {
            KickPitchResult result;

            if (found.count (file.getFullPathName()) == 0 && cache.lookup (file, result))
                found[file.getFullPathName()] = result;
        }

        std::this_thread::sleep_for (std::chrono::milliseconds (5));
    }

    return found;
}

struct HostileFolder
{
    HostileFolder()
    {
        folder.createDirectory();

        for (const auto& hostile : hostileFiles())
        {
            const auto file = folder.getChildFile (hostile.name);
            hostile.make (file);
            cases.push_back ({ hostile, file });
        }
    }

    struct Case
    {
        HostileFile hostile;
        juce::File file;
    };

    zobtest::ScopedTempHome home;
    juce::File folder = home.temp().getChildFile ("hostile kicks");
    std::vector<Case> cases;
};
} // namespace

TEST (HostileKickFiles, EveryAcceptedFormatIsCovered)
{
    // The table holds a whole kick for every extension this build accepts.
    juce::StringArray covered;

    for (const auto& hostile : hostileFiles())
        if (hostile.outcome == Outcome::loadsAKick)
            covered.addIfNotAlreadyThere (juce::File ("/" + hostile.name).getFileExtension().toLowerCase());

    for (const auto& extension : getAudioFileExtensions())
        EXPECT_TRUE (covered.contains (extension)) << extension;
}

TEST (HostileKickFiles, TheLoaderRefusesThemAndKeepsThePreviousKick)
{
    HostileFolder f;
    const auto good = f.home.temp().getChildFile ("Good.wav");
    ASSERT_TRUE (zobtest::writeWavFile (good, zobtest::makeSineKick (2, 48000, 48000.0), 48000.0));

    ZobAudioProcessor processor;

    for (const auto& [hostile, file] : f.cases)
    {
        ASSERT_TRUE (processor.loadSample (good));
        const auto loaded = processor.loadSample (file);
        const auto& sample = processor.loadedSample;

        if (hostile.outcome == Outcome::refused)
        {
            EXPECT_FALSE (loaded) << hostile.name;
            EXPECT_EQ (sample.fileName, juce::String ("Good.wav")) << hostile.name;
            EXPECT_EQ (sample.buffer.getNumSamples(), 48000) << hostile.name;
            EXPECT_EQ (processor.samplePath, good.getFullPathName()) << hostile.name;
            continue;
        }

        ASSERT_TRUE (loaded) << hostile.name;
        EXPECT_EQ (sample.fileName, hostile.name);
        EXPECT_TRUE (allSamplesUsable (sample.buffer)) << hostile.name;
        EXPECT_DOUBLE_EQ (sample.sampleRate, kickRate) << hostile.name;

        // Never more audio than the file can really hold (no buffer sized by a header alone).
        // (An AIFF sound data chunk counts its 8 header bytes, which its reader reads as 4 frames.)
        EXPECT_LE (sample.buffer.getNumSamples(), std::max (kickFrames + 4, 44100)) << hostile.name;

        if (hostile.outcome == Outcome::loadsAKick)
        {
            EXPECT_GE (sample.buffer.getNumSamples(), kickFrames) << hostile.name;
            EXPECT_TRUE (processor.getKickPitch().valid) << hostile.name;
        }
    }
}

TEST (HostileKickFiles, TheKeyCacheStoresThemAsInvalid)
{
    HostileFolder f;
    juce::Array<juce::File> files;

    for (const auto& [hostile, file] : f.cases)
        if (file.existsAsFile())
            files.add (file);

    vyl::KeyCache cache;
    const auto found = detectAll (cache, files);

    for (const auto& [hostile, file] : f.cases)
    {
        const auto entry = found.find (file.getFullPathName());

        if (! file.existsAsFile())
        {
            // A folder or a dangling link is never queued and has no entry.
            KickPitchResult result;
            EXPECT_FALSE (cache.lookup (file, result)) << hostile.name;
            continue;
        }

        ASSERT_NE (entry, found.end()) << hostile.name << " was never detected";

        if (hostile.outcome == Outcome::refused)
        {
            EXPECT_FALSE (entry->second.valid) << hostile.name;
        }
        else if (hostile.outcome == Outcome::loadsAKick)
        {
            EXPECT_TRUE (entry->second.valid) << hostile.name;
        }
    }
}

TEST (HostileKickFiles, ImportRefusesThem)
{
    HostileFolder f;

    for (const auto& [hostile, file] : f.cases)
    {
        const auto added = ZobAudioProcessor::importUserKicks ({ file.getFullPathName() });
        EXPECT_EQ (added.isEmpty(), hostile.outcome == Outcome::refused) << hostile.name;
    }
}

//==============================================================================
namespace
{
/** Tiny files whose metadata chunks claim far more work than their bytes hold. */
struct CostlyFile
{
    const char* name;
    Bytes bytes;
};

std::vector<CostlyFile> costlyFiles()
{
    const auto kick = kickSamples();
    const std::vector<float> start (kick.begin(), kick.begin() + 64);
    zobtest::WavSpec tinyWav;
    tinyWav.data = zobtest::pcm16 (start);
    zobtest::AiffSpec tinyAiff;
    tinyAiff.data = zobtest::pcm16BigEndian (start);
    const auto wavFile = zobtest::makeWav (tinyWav), aiffFile = zobtest::makeAiff (tinyAiff);

    // A chunk cut short after 300 bytes of 0x5a: 0x5a5a5a5a cue points or loops, 0x5a5a
    // markers or comments, of which the bytes hold a few and the claim tens of thousands.
    return {
        { "Kick.wav", wavFile },
        { "Cue points from nothing.wav", withChunkCutShort (wavFile, "cue ", 1024 * 1024, 300) },
        { "Loops from nothing.wav", withChunkCutShort (wavFile, "smpl", 1024 * 1024, 300) },
        { "Empty labels.wav", withChunksAfter (wavFile, emptyLabels (400)) },
        { "Kick.aif", aiffFile },
        { "Markers from nothing.aif", withChunkCutShort (aiffFile, "MARK", 1024 * 1024, 300, true) },
        { "Comments from nothing.aif", withChunkCutShort (aiffFile, "COMT", 1024 * 1024, 300, true) },
        { "Empty categories.aif", withChunksAfter (aiffFile, emptyCategoriesThenTags (200), true) },
    };
}
} // namespace

TEST (HostileKickFiles, OpeningCostsWhatTheFileHoldsNotWhatItClaims)
{
    zobtest::ScopedTempHome home;
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();

    for (const auto& costly : costlyFiles())
    {
        const auto file = home.temp().getChildFile (costly.name);
        ASSERT_TRUE (zobtest::writeBytes (file, costly.bytes));

        zobtest::RealtimeTrap trap;
        KickFileReader opened;
        trap.run ([&]
                  { opened = openKickFile (file, formats); });

        // Without the guard the readers make hundreds of thousands of entries here, or
        // read the rest of the file once for every empty entry.
        ASSERT_NE (opened.reader, nullptr) << costly.name;
        const auto bytes = costly.bytes.getSize();
        EXPECT_LE (trap.allocations, 2 * bytes) << costly.name;
        EXPECT_LE (trap.fileAccesses, bytes) << costly.name;
        EXPECT_LE (opened.reader->metadataValues.size(), 12) << costly.name;
    }
}

namespace
{
/** A WAV or AIFF file of the given chunks. */
Bytes containerOf (const char* container, const char* form, std::initializer_list<zobtest::ByteWriter> chunks, bool bigEndian)
{
    zobtest::ByteWriter body;
    body.text (form);

    for (const auto& each : chunks)
        body.raw (each.bytes);

    zobtest::ByteWriter file;
    file.text (container);
    bigEndian ? file.be32 ((juce::uint32) body.bytes.getSize()) : file.le32 ((juce::uint32) body.bytes.getSize());
    return file.raw (body.bytes).bytes;
}

Bytes riffOf (std::initializer_list<zobtest::ByteWriter> chunks) { return containerOf ("RIFF", "WAVE", chunks, false); }
Bytes formOf (std::initializer_list<zobtest::ByteWriter> chunks) { return containerOf ("FORM", "AIFF", chunks, true); }

/** An RF64 file: its sizes in the "ds64" chunk, then the format, the data and one more chunk. */
Bytes rf64Of (const zobtest::ByteWriter& fmt, const Bytes& samples, const zobtest::ByteWriter& last)
{
    const auto riffSize = 4 + 36 + fmt.bytes.getSize() + 8 + samples.getSize() + last.bytes.getSize();
    return zobtest::ByteWriter()
        .text ("RF64")
        .le32 (0xffffffffu)
        .text ("WAVE")
        .text ("ds64")
        .le32 (28)
        .le64 (riffSize)
        .le64 (samples.getSize())
        .le64 (samples.getSize() / 2)
        .le32 (0)
        .raw (fmt.bytes)
        .text ("data")
        .le32 (0xffffffffu)
        .raw (samples)
        .raw (last.bytes)
        .bytes;
}

/** Kick files with the metadata chunks of real ones, in the places real ones have them. */
std::vector<CostlyFile> filesWithMetadata()
{
    using zobtest::ByteWriter;
    const auto samples = zobtest::pcm16 (kickSamples());
    const auto fmt = chunk ("fmt ", ByteWriter().le16 (1).le16 (1).le32 (44100).le32 (88200).le16 (2).le16 (16).bytes);
    const auto data = chunk ("data", samples);
    const auto cue = chunk ("cue ", ByteWriter().le32 (2).le32 (1).le32 (0).text ("data").le32 (0).le32 (0).le32 (0).le32 (2).le32 (1).text ("data").le32 (0).le32 (0).le32 (4410).bytes);
    const auto labels = chunk ("LIST", ByteWriter().text ("adtl").raw (chunk ("labl", ByteWriter().le32 (1).raw ("Hit", 4).bytes).bytes).bytes);
    const auto loop = chunk ("smpl", ByteWriter().zeros (28).le32 (1).le32 (0).le32 (0).le32 (0).le32 (0).le32 (26459).le32 (0).le32 (0).bytes);
    const auto info = chunk ("LIST", ByteWriter().text ("INFO").raw (chunk ("INAM", Bytes ("Deep kick", 10)).bytes).bytes);
    const auto ixml = chunk ("iXML", Bytes ("<BWFXML><NOTE>kick</NOTE></BWFXML>", 34));
    const auto broadcast = chunk ("bext", ByteWriter().zeros (602).bytes);
    const auto empty = [] (const char* type)
    { return chunk (type, {}); };

    zobtest::AiffSpec aiffKick;
    aiffKick.data = zobtest::pcm16BigEndian (kickSamples());
    aiffKick.frames = kickFrames + 4; // the reader then reads the next chunk's header as 4 frames
    const auto marker = chunk ("MARK", ByteWriter().be16 (1).be16 (1).be32 (0).u8 (4).text ("Kick").u8 (0).bytes, true);
    const auto comment = chunk ("COMT", ByteWriter().be16 (1).be32 (0).be16 (1).be16 (4).text ("Deep").bytes, true);
    const auto instrument = chunk ("INST", ByteWriter().u8 (36).zeros (19).bytes, true);
    const auto category = chunk ("cate", ByteWriter().zeros (4).text ("Kick").zeros (46).bytes, true);
    const auto common = chunk ("COMM", ByteWriter().be16 (1).be32 (kickFrames).be16 (16).be16 (0x400e).be32 (0xac440000).zeros (4).bytes, true); // 44.1 kHz
    const auto soundData = chunk ("SSND", ByteWriter().zeros (8).raw (aiffKick.data).bytes, true);

    return {
        { "Metadata around the audio.wav", riffOf ({ fmt, cue, labels, loop, data, info, broadcast, ixml }) },
        { "Empty metadata chunks.wav", riffOf ({ fmt, empty ("cue "), empty ("LIST"), empty ("smpl"), empty ("bext"), data }) },
        { "RF64 with cue points.wav", rf64Of (fmt, samples, cue) },
        { "Markers after the audio.aif", withChunksAfter (zobtest::makeAiff (aiffKick), marker.bytes, true) },
        { "Metadata around the audio.aif", formOf ({ instrument, comment, common, category, soundData, marker }) },
    };
}
} // namespace

TEST (HostileKickFiles, MetadataChunksLeaveTheAudioAsJuceReadsIt)
{
    // The guard hides metadata from the readers while they are made: their way through the
    // chunks, and every sample they deliver, stay what JUCE's readers make of the file.
    zobtest::ScopedTempHome home;
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();

    for (const auto& [name, bytes] : filesWithMetadata())
    {
        const auto file = home.temp().getChildFile (name);
        ASSERT_TRUE (zobtest::writeBytes (file, bytes));

        std::unique_ptr<juce::AudioFormatReader> plain (formats.createReaderFor (file));
        const auto opened = openKickFile (file, formats);
        ASSERT_NE (plain, nullptr) << name;
        ASSERT_NE (opened.reader, nullptr) << name;
        const auto& guarded = *opened.reader;

        EXPECT_GT (plain->metadataValues.size(), 0) << name;
        EXPECT_EQ (guarded.numChannels, plain->numChannels) << name;
        EXPECT_EQ (guarded.sampleRate, plain->sampleRate) << name;
        EXPECT_EQ (guarded.bitsPerSample, plain->bitsPerSample) << name;
        EXPECT_EQ (guarded.lengthInSamples, plain->lengthInSamples) << name;
        ASSERT_GE (plain->lengthInSamples, kickFrames) << name;

        const auto frames = (int) plain->lengthInSamples;
        juce::AudioBuffer<float> expected ((int) plain->numChannels, frames), delivered ((int) plain->numChannels, frames);
        plain->read (&expected, 0, frames, 0, true, true);
        opened.reader->read (&delivered, 0, frames, 0, true, true);

        for (int i = 0; i < frames; ++i)
            ASSERT_EQ (delivered.getSample (0, i), expected.getSample (0, i)) << name << ", frame " << i;
    }
}
