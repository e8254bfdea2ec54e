#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

/** Opening kick files that may be broken or hostile.

    Every reader of kick files (the loader, the key cache's detection thread and the import
    check) opens them here, so that a file JUCE's readers would choke on is refused in one
    place, before anything is decoded:
    - only regular files are opened: a folder, a named pipe or a device with an audio
      extension could block the caller or never end;
    - the header must be believable: 1 to 64 channels, a sample size the format's reader can
      decode, a finite sample rate of at most 1 MHz (0 or below: none given), at least one
      frame, and no more frames than a buffer can index or a kick could ever need;
    - a WAV or AIFF file must hold its sample data chunk, and its length is cut to what the
      file's bytes can hold;
    - a WAV or AIFF file's reader parses none of its metadata chunks (cue points, loops,
      markers, texts), which nothing here reads: JUCE's readers do that work by what the
      chunks claim, not by what the file holds, so a few hundred bytes could keep the
      caller busy for seconds, or for ever;
    - a FLAC or Ogg Vorbis file is first decoded with its codec library: every FLAC frame
      must carry the channel count and sample size of the stream header (JUCE's FLAC reader
      crashes on frames with fewer channels), every chained Ogg stream must keep the first
      one's channel count and rate (JUCE's Ogg reader reads channels the stream does not
      have), and the length is cut to what really decodes.
*/
struct KickFileReader
{
    std::unique_ptr<juce::AudioFormatReader> reader;

    /** The frames the reader really delivers from the file's start: at least 1 and at
        most INT_MAX when there is a reader. When the caller asked for fewer seconds than
        the file holds, this may be any count that covers them. */
    juce::int64 lengthInSamples = 0;
};

/** Opens a kick file with the given formats, or gives no reader when it cannot be read
    safely. secondsNeeded is how much of the file's start the caller will read (negative:
    all of it); the codec check of compressed files stops once that much has decoded. */
KickFileReader openKickFile (const juce::File& file, juce::AudioFormatManager& formats, double secondsNeeded = -1.0);

/** The rate a kick file is played and analysed at: the reader's, or 44.1 kHz when it
    reports none (0 or below). The loader and the key cache both use it, so the key badge
    and the browser row of one kick always agree. */
constexpr double kickSampleRate (double reportedRate)
{
    return reportedRate > 0.0 ? reportedRate : 44100.0;
}

/** The loudest sample a loaded kick keeps (+60 dB above full scale). */
constexpr float largestUsableSample = 1000.0f;

/** Makes every sample usable by the voice, the pitch analysis and the offline render: NaN,
    infinite and subnormal samples become 0, and a kick whose peak lies above
    largestUsableSample (far beyond any real kick) is turned down to that peak, so that no
    stage's gain can overflow a float. */
void makeSamplesUsable (juce::AudioBuffer<float>& buffer);
