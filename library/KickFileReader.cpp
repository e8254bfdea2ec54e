#include "library/KickFileReader.h"

#include <FLAC/stream_decoder.h>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <limits>
#include <sys/stat.h>

namespace
{
/** More channels than this is a broken header (and lets JUCE's PCM readers loop forever:
    a frame larger than their copy buffer is never read). */
constexpr unsigned int maxKickChannels = 64;

/** Sample rates above this (Hz) are a broken header. */
constexpr double maxKickSampleRate = 1.0e6;

/** The most audio a kick file may decode to, in samples over all channels: ten minutes
    of eight channels at 192 kHz (about 3.7 GB of floats). Anything claiming more is a
    broken or hostile header, not a kick. */
constexpr juce::int64 maxKickSamples = juce::int64 (10 * 60) * 192000 * 8;

/** For a compressed format without a decoding check of its own: a file cannot honestly
    decode to more than this many samples per byte (even digital silence stays below). */
constexpr juce::int64 maxDecodedSamplesPerFileByte = 8192;

/** The largest block a FLAC frame can hold: a decoding check that covers the frames a
    caller needs also covers the one frame JUCE's reader may decode beyond them. */
constexpr juce::int64 largestFlacBlock = 65535;

/** Negative results in a row after which a damaged Ogg stream counts as ended. */
constexpr int maxOggHolesInARow = 64;

template <typename Format>
const juce::String& formatName()
{
    static const juce::String name = Format().getFormatName();
    return name;
}

bool isRegularFile (const juce::File& file)
{
    struct stat info
    {
    };
    return ::stat (file.getFullPathName().toRawUTF8(), &info) == 0 && S_ISREG (info.st_mode);
}

constexpr int chunkName (const char* name)
{
    return (int) juce::ByteOrder::littleEndianInt (name);
}

//==============================================================================
/** The most a metadata chunk may claim beyond the end of its file (bytes). */
constexpr juce::uint32 maxMetadataOverrunBytes = 1024 * 1024;

/** False for a chunk that would make JUCE's readers allocate an unreasonable amount: they
    allocate some chunks (broadcast, sampler, instrument and cue data) by their length field
    alone, so a few bytes could ask for gigabytes. A chunk that ends inside the file is
    backed by its bytes; one that runs past the end (a file cut short inside its last chunk,
    common in the wild) is fine as long as its claim stays modest: the readers fill what is
    missing with zeros, and the audio before it plays. */
bool chunkLengthIsSafe (juce::uint32 length, juce::int64 chunkEnd, juce::int64 fileSize)
{
    return chunkEnd <= fileSize || length <= maxMetadataOverrunBytes;
}

/** Walks the chunks of a RIFF or RF64 file: false when a chunk JUCE's WAV reader allocates
    by its length claims an unreasonable amount (see chunkLengthIsSafe). */
bool wavChunksAreSafe (juce::FileInputStream& in)
{
    const auto fileSize = in.getTotalLength();
    in.setPosition (12);

    for (int chunk = 0; chunk < 100000 && in.getPosition() + 8 <= fileSize; ++chunk)
    {
        const auto type = in.readInt();
        const auto length = (juce::uint32) in.readInt();
        const auto chunkEnd = in.getPosition() + length + (length & 1);

        for (const auto* allocated : { "bext", "smpl", "inst", "INST", "cue " })
            if (type == chunkName (allocated) && ! chunkLengthIsSafe (length, chunkEnd, fileSize))
                return false;

        in.setPosition (chunkEnd);
    }

    return true;
}

/** Walks the chunks of an AIFF file the way JUCE's AIFF reader does: false when that reader
    would find no sound data chunk (it would then take the frame count from the header alone
    and read from a position it never set), when a chunk it allocates by its length claims
    an unreasonable amount (see chunkLengthIsSafe), or when a marker or comment chunk claims more entries than it
    can hold (the reader would read tens of thousands of them from nothing). */
bool aiffChunksAreSafe (juce::FileInputStream& in)
{
    const auto fileSize = in.getTotalLength();
    in.setPosition (4);
    const auto formLength = in.readIntBigEndian();
    const auto end = in.getPosition() + formLength;
    const auto type = in.readInt();

    if (type != chunkName ("AIFF") && type != chunkName ("AIFC"))
        return false;

    auto hasSoundData = false;

    for (int chunk = 0; chunk < 100000 && in.getPosition() < end; ++chunk)
    {
        const auto chunkType = in.readInt();
        const auto length = (juce::uint32) in.readIntBigEndian();
        const auto chunkEnd = in.getPosition() + length;

        if (chunkType == chunkName ("SSND"))
        {
            hasSoundData = true;
        }
        else if (chunkType == chunkName ("FVER"))
        {
            const auto version = in.readIntBigEndian();

            if (version != 0 && version != (int) 0xa2805140)
                break;
        }
        else if (chunkType == chunkName ("COMM"))
        {
            in.skipNextBytes (8); // channels, frames, bits
            juce::uint8 rate[10] = {};
            in.read (rate, sizeof (rate));

            if ((rate[0] & 0x80) != 0 || rate[0] <= 0x3f || rate[0] > 0x40 || (rate[0] == 0x40 && rate[1] > 0x1c))
                return false;
        }
        else if (chunkType == chunkName ("MARK") || chunkType == chunkName ("COMT"))
        {
            // Every marker or comment takes at least 8 bytes after the 2-byte count.
            const auto count = (juce::uint32) (juce::uint16) in.readShortBigEndian();

            if ((juce::int64) count * 8 > (juce::int64) length - 2)
                return false;
        }
        else if (chunkType == chunkName ("INST"))
        {
            if (! chunkLengthIsSafe (length, chunkEnd, fileSize))
                return false;
        }
        else if (chunkType != chunkName ("basc") && chunkType != chunkName ("cate"))
        {
            if (chunkEnd < in.getPosition() || in.isExhausted())
                break;
        }

        in.setPosition (chunkEnd + (chunkEnd & 1));
    }

    return hasSoundData;
}

/** False for a WAV or AIFF file whose chunks would make JUCE's readers allocate without
    bound, loop through entries that are not there, or read from nowhere. Checked before a
    reader is made, since the readers do all of that while they are made. */
bool containerIsSafeToOpen (const juce::File& file)
{
    juce::FileInputStream in (file);

    if (! in.openedOk())
        return false;

    const auto magic = in.readInt();

    if (magic == chunkName ("RIFF") || magic == chunkName ("RF64"))
        return wavChunksAreSafe (in);

    if (magic == chunkName ("FORM"))
        return aiffChunksAreSafe (in);

    return true;
}

//==============================================================================
/** What decoding a FLAC file with the codec library found. */
struct FlacScan
{
    FLAC__StreamMetadata_StreamInfo info {};
    bool hasInfo = false;
    bool consistent = true;
    juce::int64 decoded = 0;
    juce::int64 enough = 0;
};

FLAC__StreamDecoderWriteStatus flacScanFrame (const FLAC__StreamDecoder*, const FLAC__Frame* frame, const FLAC__int32* const[], void* data)
{
    auto& scan = *static_cast<FlacScan*> (data);

    // JUCE's reader fills every channel the stream header declares from each frame,
    // and scales by the header's sample size: a frame that differs is never handed on.
    if (! scan.hasInfo
        || frame->header.channels != scan.info.channels
        || frame->header.bits_per_sample != scan.info.bits_per_sample)
    {
        scan.consistent = false;
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }

    scan.decoded += frame->header.blocksize;
    return scan.decoded >= scan.enough ? FLAC__STREAM_DECODER_WRITE_STATUS_ABORT
                                       : FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void flacScanMetadata (const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata, void* data)
{
    auto& scan = *static_cast<FlacScan*> (data);

    if (metadata->type == FLAC__METADATA_TYPE_STREAMINFO)
    {
        scan.info = metadata->data.stream_info;
        scan.hasInfo = true;
    }
}

void flacScanError (const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*)
{
    // Damaged frames are skipped by the library, as they are when JUCE's reader decodes.
}

/** The frames of a FLAC file that decode safely with JUCE's reader (at most about
    `enough` of them), or 0 when a frame does not match the stream header. */
juce::int64 decodableFlacFrames (const juce::File& file, const juce::AudioFormatReader& reader, juce::int64 enough)
{
    auto* decoder = FLAC__stream_decoder_new();

    if (decoder == nullptr)
        return 0;

    FlacScan scan;
    scan.enough = enough;

    if (FLAC__stream_decoder_init_file (decoder, file.getFullPathName().toRawUTF8(), flacScanFrame, flacScanMetadata, flacScanError, &scan)
        == FLAC__STREAM_DECODER_INIT_STATUS_OK)
    {
        FLAC__stream_decoder_process_until_end_of_stream (decoder);
    }
    else
    {
        scan.consistent = false;
    }

    FLAC__stream_decoder_delete (decoder);

    if (! scan.consistent || ! scan.hasInfo
        || scan.info.channels != reader.numChannels
        || scan.info.bits_per_sample != reader.bitsPerSample
        || (double) scan.info.sample_rate != reader.sampleRate)
        return 0;

    return scan.decoded;
}

//==============================================================================
/** The frames of an Ogg Vorbis file that decode (at most about `enough` of them), or 0
    when its chained streams differ in channel count or rate from the first one, which
    is all JUCE's reader looks at. */
juce::int64 decodableOggFrames (const juce::File& file, const juce::AudioFormatReader& reader, juce::int64 enough)
{
    OggVorbis_File vorbis {};

    if (ov_fopen (file.getFullPathName().toRawUTF8(), &vorbis) != 0)
        return 0;

    const auto* first = ov_info (&vorbis, 0);
    auto consistent = first != nullptr && first->channels > 0
                      && (unsigned int) first->channels == reader.numChannels
                      && (double) first->rate == reader.sampleRate;

    for (long link = 1; consistent && link < ov_streams (&vorbis); ++link)
    {
        const auto* info = ov_info (&vorbis, (int) link);
        consistent = info != nullptr && info->channels == first->channels && info->rate == first->rate;
    }

    juce::int64 decoded = 0;

    for (int holes = 0; consistent && decoded < enough && holes < maxOggHolesInARow;)
    {
        float** pcm = nullptr;
        int link = 0;
        const auto frames = ov_read_float (&vorbis, &pcm, 4096, &link);

        if (frames == 0)
            break;

        if (frames < 0)
        {
            ++holes;
            continue;
        }

        holes = 0;
        const auto* info = ov_info (&vorbis, link);
        consistent = info != nullptr && info->channels == first->channels && info->rate == first->rate;
        decoded += frames;
    }

    ov_clear (&vorbis);
    return consistent ? decoded : 0;
}

//==============================================================================
bool isUncompressedPcm (const juce::AudioFormatReader& reader)
{
    return reader.getFormatName() == formatName<juce::WavAudioFormat>() || reader.getFormatName() == formatName<juce::AiffAudioFormat>();
}

/** The number of frames the reader can really deliver: its claimed length, bounded by
    what the file holds. 0 when the file is not safe to decode. */
juce::int64 deliverableLength (const juce::File& file, const juce::AudioFormatReader& reader, double secondsNeeded)
{
    const auto claimed = reader.lengthInSamples;
    const auto channels = (juce::int64) reader.numChannels;

    if (claimed < 1 || claimed > std::numeric_limits<int>::max() || claimed > maxKickSamples / channels)
        return 0;

    const auto fileBytes = reader.input != nullptr ? reader.input->getTotalLength() : (juce::int64) -1;

    if (fileBytes <= 0)
        return 0;

    if (isUncompressedPcm (reader))
    {
        // Only the sample sizes these readers can convert: any other leaves the samples unset.
        const auto bits = reader.bitsPerSample;

        if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
            return 0;

        // A PCM file holds its frames as they are: a data chunk claiming more than the
        // file's size ends where the file ends (the reader would pad the rest with zeros).
        const auto bytesPerFrame = channels * (juce::int64) bits / 8;
        return std::min (claimed, fileBytes / bytesPerFrame);
    }

    // claimed * channels stays below maxKickSamples here, so nothing overflows.
    if (claimed * channels / maxDecodedSamplesPerFileByte > fileBytes)
        return 0;

    // How far the codec check decodes: the frames the caller needs, or every frame up to
    // one more than the longest kick allowed.
    auto enough = maxKickSamples / channels + 1;

    if (secondsNeeded >= 0.0)
        enough = std::min (enough, (juce::int64) std::ceil (secondsNeeded * kickSampleRate (reader.sampleRate)) + largestFlacBlock);

    auto decodable = claimed;

    if (reader.getFormatName() == formatName<juce::FlacAudioFormat>())
        decodable = decodableFlacFrames (file, reader, enough);
    else if (reader.getFormatName() == formatName<juce::OggVorbisAudioFormat>())
        decodable = decodableOggFrames (file, reader, enough);

    return std::min (claimed, decodable);
}
} // namespace

KickFileReader openKickFile (const juce::File& file, juce::AudioFormatManager& formats, double secondsNeeded)
{
    KickFileReader opened;

    if (! isRegularFile (file) || ! containerIsSafeToOpen (file))
        return opened;

    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));

    if (reader == nullptr)
        return opened;

    const auto rate = reader->sampleRate;

    if (reader->numChannels < 1 || reader->numChannels > maxKickChannels || reader->bitsPerSample > 32)
        return opened;

    // A rate of 0 or below means the file names none; callers play it at kickSampleRate.
    if (! std::isfinite (rate) || rate > maxKickSampleRate)
        return opened;

    const auto length = deliverableLength (file, *reader, secondsNeeded);

    if (length < 1)
        return opened;

    opened.reader = std::move (reader);
    opened.lengthInSamples = length;
    return opened;
}

void makeSamplesUsable (juce::AudioBuffer<float>& buffer)
{
    auto peak = 0.0f;

    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
    {
        auto* samples = buffer.getWritePointer (channel);

        for (int i = 0; i < buffer.getNumSamples(); ++i)
        {
            if (! std::isnormal (samples[i]))
                samples[i] = 0.0f;

            peak = std::max (peak, std::abs (samples[i]));
        }
    }

    if (peak <= largestUsableSample)
        return;

    // The gain can round a sample to just above the limit: clip what it leaves over.
    buffer.applyGain (largestUsableSample / peak);

    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
    {
        auto* samples = buffer.getWritePointer (channel);
        juce::FloatVectorOperations::clip (samples, samples, -largestUsableSample, largestUsableSample, buffer.getNumSamples());
    }
}
