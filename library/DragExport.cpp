#include "library/DragExport.h"
#include "library/FileNames.h"

#include "engine/ZobAudioProcessor.h"
#include "library/KickDisplayName.h"
#include "library/NoFollowFiles.h"

namespace
{
constexpr juce::int64 ownFileMaximumAgeMs = 300000; // 5 minutes
constexpr juce::int64 otherFolderMaximumAgeMs = 86400000; // 24 hours
constexpr int bitsPerSample = 24;

bool isStale (const NoFollowFiles::Entry& entry, juce::int64 nowMs, juce::int64 maximumAgeMs)
{
    return nowMs - entry.modifiedMs > maximumAgeMs;
}

/** Deletes this instance's WAV files older than 5 minutes (only real files, never links). */
void sweepOwnFiles (const NoFollowFiles::Descriptor& instanceFolder, juce::int64 nowMs)
{
    for (const auto& entry : NoFollowFiles::listEntries (instanceFolder))
        if (entry.isRegularFile && entry.name.endsWith (".wav") && isStale (entry, nowMs, ownFileMaximumAgeMs))
            NoFollowFiles::removeChild (instanceFolder, entry.name);
}

/** Deletes other instances' folders untouched for 24 hours (only real folders, never links). */
void sweepOtherInstances (const NoFollowFiles::Descriptor& root, const juce::String& instanceId, juce::int64 nowMs)
{
    for (const auto& entry : NoFollowFiles::listEntries (root))
        if (entry.isDirectory && entry.name != instanceId && isStale (entry, nowMs, otherFolderMaximumAgeMs))
            NoFollowFiles::removeTree (root, entry.name);
}
} // namespace

juce::File getDragTempFolder()
{
    return juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("ZOB Drag");
}

juce::File getDragExportFolderFor (const juce::String& instanceId)
{
    return childFileOf (getDragTempFolder(), instanceId);
}

juce::String writeDragExportFile (const juce::AudioBuffer<float>& rendered,
                                  double sampleRate,
                                  const juce::String& kickFileName,
                                  const juce::String& instanceId)
{
    juce::WavAudioFormat wav;
    return writeDragExportFile (wav, rendered, sampleRate, kickFileName, instanceId);
}

juce::String writeDragExportFile (juce::AudioFormat& format,
                                  const juce::AudioBuffer<float>& rendered,
                                  double sampleRate,
                                  const juce::String& kickFileName,
                                  const juce::String& instanceId)
{
    if (! isPlainFileName (instanceId))
        return {};

    auto label = makeKickDisplayName (kickFileName);

    if (label.isEmpty())
        label = "ZOB Kick";

    // The root is opened without following a link: one planted in the shared temporary
    // folder must not lead the sweep or the write anywhere else.
    const auto rootFolder = getDragTempFolder();
    rootFolder.getParentDirectory().createDirectory();
    rootFolder.createDirectory();
    const auto root = NoFollowFiles::openDirectory (rootFolder, false);

    if (! root.isValid())
        return {};

    auto instanceFolder = NoFollowFiles::openOrCreateChildDirectory (root, instanceId);

    if (instanceFolder.isValid() && ! NoFollowFiles::isOwnedByCurrentUser (instanceFolder))
        instanceFolder = {};

    const auto nowMs = juce::Time::currentTimeMillis();
    sweepOwnFiles (instanceFolder, nowMs);
    sweepOtherInstances (root, instanceId, nowMs);

    if (! instanceFolder.isValid())
        return {};

    auto created = NoFollowFiles::createFirstFreeChild (instanceFolder,
                                                        juce::File::createLegalFileName (label + " (ZOB)"),
                                                        ".wav",
                                                        false);

    if (! created.descriptor.isValid())
        return {};

    const auto writeFailed = std::make_shared<bool> (false);
    auto stream = std::make_unique<NoFollowFiles::DescriptorOutputStream> (std::move (created.descriptor), writeFailed);

    std::unique_ptr<juce::AudioFormatWriter> writer (format.createWriterFor (stream.get(),
                                                                             sampleRate,
                                                                             juce::AudioChannelSet::canonicalChannelSet (rendered.getNumChannels()),
                                                                             bitsPerSample,
                                                                             {},
                                                                             0));

    // The writer owns the stream only when it was made; otherwise the stream stays ours.
    if (writer != nullptr)
        stream.release();

    auto written = writer != nullptr
                   && rendered.getNumChannels() > 0
                   && writer->writeFromFloatArrays (rendered.getArrayOfReadPointers(), rendered.getNumChannels(), rendered.getNumSamples());

    writer.reset(); // completes the header and closes the file
    stream.reset();

    if (! written || *writeFailed)
    {
        NoFollowFiles::removeChild (instanceFolder, created.name);
        return {};
    }

    return childFileOf (getDragExportFolderFor (instanceId), created.name).getFullPathName();
}

//==============================================================================
juce::File ZobAudioProcessor::getDragExportFolder() const
{
    return getDragExportFolderFor (instanceId);
}

juce::String ZobAudioProcessor::exportKickForDrag()
{
    juce::AudioBuffer<float> rendered;
    auto renderedRate = 44100.0;

    if (! renderProcessedKick (rendered, renderedRate))
        return {};

    return writeDragExportFile (rendered, renderedRate, juce::File::createFileWithoutCheckingPath (samplePath).getFileName(), instanceId);
}
