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
Bytes withChunkCutShort (const Bytes& file, const char* type, juce::uint32 claimed, size_t present, bool bigEndian = false)
{
    zobtest::ByteWriter chunk;
    chunk.text (type);
    bigEndian ? chunk.be32 (claimed) : chunk.le32 (claimed);
    chunk.raw (std::vector<char> (present, 0x5a).data(), present);

    auto result = file;
    result.append (chunk.bytes.getData(), chunk.bytes.getSize());

    const auto containerSize = (juce::uint32) std::min ((juce::int64) file.getSize() + claimed, (juce::int64) 0x7fffffff);
    zobtest::ByteWriter size;
    bigEndian ? size.be32 (containerSize) : size.le32 (containerSize);
    result.copyFrom (size.bytes.getData(), 4, 4);
    return result;
}

const Bytes text { "This is not a sound file at all, just a note renamed.", 53 };

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
