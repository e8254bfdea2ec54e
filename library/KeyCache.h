#pragma once

#include "library/KickPitchAnalysis.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_events/juce_events.h>

#include <atomic>
#include <deque>
#include <functional>
#include <map>

namespace vyl
{
/** The pitch of every kick file the browser has shown, kept between runs in "keycache.xml".

    The processor owns one. The browser asks it for each row's key on the message thread
    (lookup); a file that is not cached yet, or that changed on disk since, is queued for the
    background thread "ZOB key detect", which decodes the first 1.5 s, analyses it, stores
    the result and tells the message thread through onChange.

    Threads:
    - message thread: construction, loadXml and setCacheFile at start, lookup, onChange
      (set, cleared and called there only), destruction;
    - the worker: run, detectFile, flushIfDirty, saveXml.
    `lock` guards entries, pendingFiles, cacheFile and dirty, and is held only for map and
    queue work: file-system checks, decoding and the file write all happen outside it.

    The cache has its own format manager because the processor's is destroyed first.
    The destructor stops the worker (waiting at most 2000 ms); the worker saves a changed
    cache as it ends, and files still queued are dropped.
*/
class KeyCache : public juce::Thread
{
public:
    KeyCache();
    ~KeyCache() override;

    /** Fills result with the cached analysis of the file and returns true; the result may
        itself be invalid (analysed, no clear pitch). Returns false, leaving result alone,
        when the file is gone or not analysed yet; then it is queued for detection.
        Message thread; within 2000 ms of an entry's last check this is one map search. */
    bool lookup (const juce::File& file, KickPitchResult& result);

    /** Merges the entries stored in the file into the cache. A missing, unreadable or
        foreign file adds nothing. Does not change whether the cache counts as changed. */
    void loadXml (const juce::File& file);

    /** Loads the file, then makes it the file the cache is saved to, with nothing changed. */
    void setCacheFile (const juce::File& file);

    /** Writes every entry to the file, creating its folder when needed. */
    void saveXml (const juce::File& file);

    /** Decodes the first 1.5 s of the file and analyses it; invalid when it cannot be read. */
    static KickPitchResult detectFile (const juce::File& file, juce::AudioFormatManager& formats);

    /** Called on the message thread after new detection results arrived. */
    std::function<void()> onChange;

private:
    struct Entry
    {
        juce::int64 size = 0; // bytes, 0 when unreadable
        juce::int64 modified = 0; // last write, ms since 1970 UTC, 0 when unreadable
        juce::uint32 lastVerifiedMs = 0; // millisecond counter at the last detection or check
        KickPitchResult result;
    };

    void run() override;
    void flushIfDirty();
    void postChangeNotice();

    juce::CriticalSection lock;
    std::map<juce::String, Entry> entries; // by full path, compared case-sensitively
    std::deque<juce::File> pendingFiles;
    juce::AudioFormatManager formatManager; // worker only
    std::atomic<bool> notifyPending { false };
    juce::File cacheFile;
    bool dirty = false;
    juce::uint32 lastNotifyMs = 0; // worker only
    juce::uint32 lastSaveMs = 0; // worker only

    JUCE_DECLARE_WEAK_REFERENCEABLE (KeyCache)
    JUCE_DECLARE_NON_COPYABLE (KeyCache)
};
} // namespace vyl
