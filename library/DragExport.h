#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

/** Drag-out export files: the processed kick written as a 24-bit WAV file for the editor to
    hand to the operating system's file drag.

    Each processor instance writes into its own folder, the temporary folder's "ZOB Drag" /
    its instance identifier. Every export first sweeps away this instance's WAV files older
    than 5 minutes and other instances' folders untouched for 24 hours. The temporary folder
    is shared by every local user, so nothing here follows a symbolic link: a linked root or
    instance folder makes the export fail, and linked entries are never swept through.

    ZobAudioProcessor::getDragExportFolder and ZobAudioProcessor::exportKickForDrag are
    defined with this code. Message thread only.
*/

/** The drag-out root, the temporary folder's "ZOB Drag"; import refuses files inside it. */
juce::File getDragTempFolder();

/** The drag-out folder of the instance with this identifier. */
juce::File getDragExportFolderFor (const juce::String& instanceId);

/** Sweeps the drag folders, then writes rendered as a 24-bit WAV at sampleRate into the
    instance's folder, named after the display name of kickFileName with " (ZOB)" added
    (numbered when taken). Returns the written file's full path, or an empty string when
    nothing was written; no empty or partial file is left behind. */
juce::String writeDragExportFile (const juce::AudioBuffer<float>& rendered,
                                  double sampleRate,
                                  const juce::String& kickFileName,
                                  const juce::String& instanceId);

/** The same, writing through the given format instead of WAV (tests hand in formats whose
    writers cannot be made or fail to write). */
juce::String writeDragExportFile (juce::AudioFormat& format,
                                  const juce::AudioBuffer<float>& rendered,
                                  double sampleRate,
                                  const juce::String& kickFileName,
                                  const juce::String& instanceId);
