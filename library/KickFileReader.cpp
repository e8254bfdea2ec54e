#include "library/KickFileReader.h"

#include <FLAC/stream_decoder.h>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
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
/** The most a metadata chunk may claim beyond the end of its file (bytes). A file cut short
    inside its last chunk is common in the wild, and the audio before the cut plays; a claim
    of more than this is not what a cut leaves behind but a broken or hostile header. */
constexpr juce::uint32 maxMetadataOverrunBytes = 1024 * 1024;

/** More chunks than this is no kick file: the walk through them stops and refuses it. */
constexpr int maxContainerChunks = 100000;

/** False for a chunk that runs past the end of its file by more than a cut could leave. */
bool chunkLengthIsSafe (juce::uint32 length, juce::int64 chunkEnd, juce::int64 fileSize)
{
    return chunkEnd <= fileSize || length <= maxMetadataOverrunBytes;
}

bool isOneOf (int type, std::initializer_list<const char*> names)
{
    for (const auto* name : names)
        if (type == chunkName (name))
            return true;

    return false;
}

/** What the walk through a WAV or AIFF file's chunks found, taking the very path the
    format's JUCE reader takes through them. */
struct ContainerScan
{
    bool safe = true;

    /** Where that reader finds a chunk whose contents it turns into metadata: the file
        offsets of their type fields, in file order. */
    std::vector<juce::int64> metadataChunks;

    /** The four characters of the type those chunks show while the reader is made (see
        KickFileView). */
    const char* standInType = "JUNK";
};

ContainerScan refusedContainer()
{
    ContainerScan scan;
    scan.safe = false;
    return scan;
}

/** Walks the chunks of a RIFF or RF64 file as JUCE's WAV reader does (the same ends, the
    same stops), noting every metadata chunk it would parse; refuses a file whose broadcast,
    sampler, instrument or cue chunk claims far more than the file holds (see
    chunkLengthIsSafe). */
ContainerScan scanWavChunks (juce::FileInputStream& in)
{
    ContainerScan scan;
    scan.standInType = "acid"; // read as its fixed 24 bytes whatever it claims
    const auto fileSize = in.getTotalLength();

    in.setPosition (0);
    const auto isRF64 = in.readInt() == chunkName ("RF64");
    juce::uint64 end = 0;
    juce::int64 dataLength = 0;

    if (isRF64)
        in.skipNextBytes (4);
    else
        end = (juce::uint32) in.readInt() + (juce::uint64) in.getPosition();

    const auto startOfRiff = in.getPosition();

    if (in.readInt() != chunkName ("WAVE"))
        return scan;

    if (isRF64)
    {
        if (in.readInt() != chunkName ("ds64"))
            return scan;

        const auto length = (juce::uint32) in.readInt();

        if (length < 28)
            return scan;

        const auto chunkEnd = in.getPosition() + length + (length & 1);
        end = (juce::uint64) in.readInt64() + (juce::uint64) startOfRiff;
        dataLength = in.readInt64();
        in.setPosition (chunkEnd);
    }

    for (int chunk = 0; (juce::uint64) in.getPosition() < end && ! in.isExhausted(); ++chunk)
    {
        if (chunk == maxContainerChunks)
            return refusedContainer();

        const auto header = in.getPosition();
        const auto type = in.readInt();
        const auto length = (juce::uint32) in.readInt();
        auto chunkEnd = in.getPosition() + length + (length & 1);

        if (type == chunkName ("fmt "))
        {
            // An Ogg Vorbis format ends the walk: the reader hands the file to the Ogg reader.
            const auto format = (juce::uint16) in.readShort();

            for (const auto ogg : { 0x674f, 0x6750, 0x6751, 0x676f, 0x6770, 0x6771 })
                if (format == ogg)
                    return scan;
        }
        else if (type == chunkName ("data"))
        {
            if (isRF64 && dataLength > 0)
            {
                // The data runs past the file's end: nothing after it is ever reached.
                if (dataLength > fileSize)
                    break;

                chunkEnd = in.getPosition() + dataLength + (dataLength & 1);
            }
        }
        else if (isOneOf (type, { "bext", "smpl", "inst", "INST", "cue ", "axml", "iXML", "LIST", "Trkn" }))
        {
            if (isOneOf (type, { "bext", "smpl", "inst", "INST", "cue " }) && ! chunkLengthIsSafe (length, chunkEnd, fileSize))
                return refusedContainer();

            scan.metadataChunks.push_back (header);
        }
        else if (type != chunkName ("acid") && chunkEnd <= in.getPosition())
        {
            break;
        }

        in.setPosition (chunkEnd);
    }

    return scan;
}

/** Walks the chunks of an AIFF file as JUCE's AIFF reader does, noting every metadata chunk
    it would parse. Refuses a file in which that reader would find no sound data chunk (it
    would then take the frame count from the header alone and read from a position it never
    set), a broken sample rate, an instrument chunk that claims far more than the file holds
    (see chunkLengthIsSafe), and a marker or comment chunk that claims more entries than it
    can hold. */
ContainerScan scanAiffChunks (juce::FileInputStream& in)
{
    ContainerScan scan;
    scan.standInType = "basc"; // read as its fixed 84 bytes whatever it claims
    const auto fileSize = in.getTotalLength();

    in.setPosition (4);
    const auto formLength = in.readIntBigEndian();
    const auto end = in.getPosition() + formLength;
    const auto type = in.readInt();

    if (type != chunkName ("AIFF") && type != chunkName ("AIFC"))
        return refusedContainer();

    auto hasVersion = false, hasSoundData = false, hasCommon = false;

    for (int chunk = 0; in.getPosition() < end; ++chunk)
    {
        if (chunk == maxContainerChunks)
            return refusedContainer();

        const auto header = in.getPosition();
        const auto chunkType = in.readInt();
        const auto length = (juce::uint32) in.readIntBigEndian();
        const auto chunkEnd = in.getPosition() + length;

        if (chunkType == chunkName ("SSND"))
        {
            hasSoundData = true;
        }
        else if (chunkType == chunkName ("FVER"))
        {
            hasVersion = true;
            const auto version = in.readIntBigEndian();

            if (version != 0 && version != (int) 0xa2805140)
                break;
        }
        else if (chunkType == chunkName ("COMM"))
        {
            hasCommon = true;
            in.skipNextBytes (8); // channels, frames, bits
            juce::uint8 rate[10] = {};
            in.read (rate, sizeof (rate));

            if ((rate[0] & 0x80) != 0 || rate[0] <= 0x3f || rate[0] > 0x40 || (rate[0] == 0x40 && rate[1] > 0x1c))
                return refusedContainer();

            // A compression the reader does not know ends its walk (and fails it).
            if (length > 18 && ! isOneOf (in.readInt(), { "NONE", "twos", "sowt", "fl32", "FL32" }))
                break;
        }
        else if (chunkType == chunkName ("MARK") || chunkType == chunkName ("COMT"))
        {
            // Every marker or comment takes at least 8 bytes after the 2-byte count.
            const auto count = (juce::uint32) (juce::uint16) in.readShortBigEndian();

            if ((juce::int64) count * 8 > (juce::int64) length - 2)
                return refusedContainer();

            scan.metadataChunks.push_back (header);
        }
        else if (chunkType == chunkName ("INST") || chunkType == chunkName ("cate"))
        {
            if (chunkType == chunkName ("INST") && ! chunkLengthIsSafe (length, chunkEnd, fileSize))
                return refusedContainer();

            scan.metadataChunks.push_back (header);
        }
        else if (chunkType != chunkName ("basc"))
        {
            if ((hasVersion && hasSoundData && hasCommon) || chunkEnd < in.getPosition() || in.isExhausted())
                break;
        }

        in.setPosition (chunkEnd + (chunkEnd & 1));
    }

    return hasSoundData ? scan : refusedContainer();
}

/** The chunk walk of a WAV or AIFF file; any other file is left to its format's reader.
    Done before a reader is made, since the readers do all of their parsing while they are
    made. */
ContainerScan scanContainer (const juce::File& file)
{
    juce::FileInputStream in (file);

    if (! in.openedOk())
        return refusedContainer();

    const auto magic = in.readInt();

    if (magic == chunkName ("RIFF") || magic == chunkName ("RF64"))
        return scanWavChunks (in);

    if (magic == chunkName ("FORM"))
        return scanAiffChunks (in);

    return {};
}

/** A kick file as its reader sees it while the reader is made: every metadata chunk that
    reader would parse shows the type of the one chunk it reads a fixed few bytes of,
    whatever that chunk claims. ZOB reads no metadata, and JUCE's readers do work by what
    those chunks claim rather than what the file holds: a few hundred bytes of cue, loop or
    marker chunk running past the file's end become hundreds of thousands of metadata
    entries, a list chunk that runs past the end is walked for ever, and empty label or
    category entries are each read to the end of the file. The reader ends every chunk by
    moving to its end, parsed or not, so its way through the file does not change.
    Once the reader is made the file reads as it is: an AIFF reader's sample data runs on
    into the header of the chunk after it. */
class KickFileView : public juce::InputStream
{
public:
    KickFileView (const juce::File& file, const ContainerScan& scan)
        : source (file), standIns (scan.metadataChunks)
    {
        std::memcpy (standInType, scan.standInType, sizeof (standInType));
    }

    bool openedOk() const { return source.openedOk(); }

    void showFileAsItIs() { standIns.clear(); }

    juce::int64 getTotalLength() override { return source.getTotalLength(); }
    bool isExhausted() override { return source.isExhausted(); }
    juce::int64 getPosition() override { return source.getPosition(); }
    bool setPosition (juce::int64 position) override { return source.setPosition (position); }

    int read (void* destination, int bytes) override
    {
        const auto start = source.getPosition();
        const auto got = source.read (destination, bytes);

        if (got <= 0 || standIns.empty())
            return got;

        // The stand-ins are in file order: only those overlapping the bytes read count.
        const auto end = start + got;
        auto standIn = std::lower_bound (standIns.begin(), standIns.end(), start - (juce::int64) sizeof (standInType) + 1);

        for (; standIn != standIns.end() && *standIn < end; ++standIn)
        {
            for (int i = 0; i < (int) sizeof (standInType); ++i)
            {
                const auto at = *standIn + i;

                if (at >= start && at < end)
                    static_cast<char*> (destination)[at - start] = standInType[i];
            }
        }

        return got;
    }

private:
    juce::FileInputStream source;
    std::vector<juce::int64> standIns;
    char standInType[4] = {};
};

/** A reader for the file from the first of the formats that takes its extension (as
    juce::AudioFormatManager::createReaderFor does), reading it through a KickFileView. */
std::unique_ptr<juce::AudioFormatReader> createReader (const juce::File& file, juce::AudioFormatManager& formats, const ContainerScan& scan)
{
    for (auto* format : formats)
    {
        if (! format->canHandleFile (file))
            continue;

        auto view = std::make_unique<KickFileView> (file, scan);

        if (! view->openedOk())
            return {};

        auto* shown = view.get();
        std::unique_ptr<juce::AudioFormatReader> reader (format->createReaderFor (view.release(), true));

        if (reader != nullptr)
        {
            shown->showFileAsItIs();
            return reader;
        }
    }

    return {};
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

    if (! isRegularFile (file))
        return opened;

    const auto container = scanContainer (file);

    if (! container.safe)
        return opened;

    auto reader = createReader (file, formats, container);

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
