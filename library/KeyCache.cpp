#include "library/KeyCache.h"

#include "library/KickFileReader.h"
#include "library/MillisecondCounter.h"
#include "library/XmlFiles.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vyl
{
namespace
{
    constexpr int trustWindowMs = 2000; // a checked entry is believed this long without touching the disk
    constexpr int noticeIntervalMs = 150; // at most one change notice per interval while the queue is busy
    constexpr int saveIntervalMs = 10000; // at most one save per interval while the queue is busy
    constexpr int stopTimeoutMs = 2000;
    constexpr double detectSeconds = 1.5; // how much of each file is analysed
    constexpr double lowestUsefulRate = 8000.0; // the analysis finds nothing below this rate

    // Nothing larger than this is decoded (1.5 s of 32 channels at 192 kHz fits).
    constexpr juce::int64 maxSamplesToDecode = 16 * 1024 * 1024;

    const juce::Identifier rootTag ("ZOBKeyCache");
    const juce::Identifier keyTag ("KEY");

    namespace Attr
    {
        const juce::Identifier path ("path");
        const juce::Identifier size ("size");
        const juce::Identifier modified ("modified");
        const juce::Identifier valid ("valid");
        const juce::Identifier hz ("hz");
        const juce::Identifier note ("note");
        const juce::Identifier cents ("cents");
        const juce::Identifier glide ("glide");
        const juce::Identifier settled ("settled");
        const juce::Identifier approx ("approx");
    } // namespace Attr

    juce::int64 modificationMs (const juce::File& file)
    {
        return file.getLastModificationTime().toMilliseconds();
    }

    // Hand-edited numbers may be huge, infinite or NaN; converting those is undefined.
    juce::int64 toInt64 (double value)
    {
        constexpr auto limit = 9.2e18; // just inside the int64 range
        if (! std::isfinite (value) || value >= limit || value <= -limit)
            return 0;

        return (juce::int64) value;
    }

    // Not a number reads as 0, like a missing value: JUCE cannot write NaN back (its number
    // formatting converts it to an int).
    double toFiniteDouble (double value)
    {
        return std::isfinite (value) ? value : 0.0;
    }

    float toFloat (double value)
    {
        constexpr auto largest = (double) std::numeric_limits<float>::max();
        return (float) (std::isnan (value) ? 0.0 : juce::jlimit (-largest, largest, value));
    }
} // namespace

KeyCache::KeyCache()
    : juce::Thread ("ZOB key detect")
{
    formatManager.registerBasicFormats();
    startThread (juce::Thread::Priority::low);
}

KeyCache::~KeyCache()
{
    // The worker may hold a file in hand and still has to save: stop it before any member goes.
    stopThread (stopTimeoutMs);
}

bool KeyCache::lookup (const juce::File& file, KickPitchResult& result)
{
    const auto path = file.getFullPathName();
    const auto now = MillisecondCounter::now();

    {
        const juce::ScopedLock sl (lock);
        auto found = entries.find (path);

        if (found != entries.end() && (juce::uint32) (now - found->second.lastVerifiedMs) < (juce::uint32) trustWindowMs)
        {
            result = found->second.result;
            return true;
        }
    }

    if (! file.existsAsFile())
    {
        const juce::ScopedLock sl (lock);
        entries.erase (path);
        return false;
    }

    const auto size = file.getSize();
    const auto modified = modificationMs (file);

    {
        const juce::ScopedLock sl (lock);
        auto found = entries.find (path);

        if (found != entries.end() && found->second.size == size && found->second.modified == modified)
        {
            found->second.lastVerifiedMs = now;
            result = found->second.result;
            return true;
        }

        const auto alreadyQueued = std::any_of (pendingFiles.begin(), pendingFiles.end(), [&path] (const juce::File& queued)
                                                { return queued.getFullPathName().compareIgnoreCase (path) == 0; });
        if (! alreadyQueued)
            pendingFiles.push_back (file);
    }

    notify();
    return false;
}

void KeyCache::loadXml (const juce::File& file)
{
    auto root = parseXmlFile (file);

    if (root == nullptr || ! root->hasTagName (rootTag.toString()))
        return;

    const juce::ScopedLock sl (lock);

    for (auto* child : root->getChildIterator())
    {
        if (! child->hasTagName (keyTag.toString()))
            continue;

        const auto path = child->getStringAttribute (Attr::path);
        if (path.isEmpty())
            continue;

        Entry entry;
        entry.size = toInt64 (child->getDoubleAttribute (Attr::size));
        entry.modified = toInt64 (child->getDoubleAttribute (Attr::modified));
        entry.result.valid = child->getBoolAttribute (Attr::valid, false);
        entry.result.hz = toFiniteDouble (child->getDoubleAttribute (Attr::hz));
        entry.result.note = child->getIntAttribute (Attr::note);
        entry.result.cents = toFloat (child->getDoubleAttribute (Attr::cents));
        entry.result.glide = toFloat (child->getDoubleAttribute (Attr::glide));
        entry.result.settled = toFloat (child->getDoubleAttribute (Attr::settled));
        entry.result.approx = child->getBoolAttribute (Attr::approx, false);
        entries[path] = entry;
    }
}

void KeyCache::setCacheFile (const juce::File& file)
{
    loadXml (file);

    const juce::ScopedLock sl (lock);
    cacheFile = file;
    dirty = false;
}

void KeyCache::saveXml (const juce::File& file)
{
    juce::XmlElement root (rootTag);

    {
        const juce::ScopedLock sl (lock);

        for (const auto& [path, entry] : entries)
        {
            auto* key = root.createNewChildElement (keyTag);
            key->setAttribute (Attr::path, path);
            key->setAttribute (Attr::size, (double) entry.size);
            key->setAttribute (Attr::modified, (double) entry.modified);
            key->setAttribute (Attr::valid, entry.result.valid ? 1 : 0);
            key->setAttribute (Attr::hz, entry.result.hz);
            key->setAttribute (Attr::note, (int) entry.result.note);
            key->setAttribute (Attr::cents, (double) entry.result.cents);
            key->setAttribute (Attr::glide, (double) entry.result.glide);
            key->setAttribute (Attr::settled, (double) entry.result.settled);
            key->setAttribute (Attr::approx, entry.result.approx ? 1 : 0);
        }
    }

    // A failed write says nothing: the entries reach the file with the next save.
    file.getParentDirectory().createDirectory();
    root.writeTo (file);
}

KickPitchResult KeyCache::detectFile (const juce::File& file, juce::AudioFormatManager& formats)
{
    if (! file.existsAsFile())
        return {};

    auto source = openKickFile (file, formats, detectSeconds);

    if (source.reader == nullptr)
        return {};

    // Rates the analysis rejects anyway are not decoded.
    const auto rate = kickSampleRate (source.reader->sampleRate);
    if (rate < lowestUsefulRate)
        return {};

    const auto wanted = std::min ((double) source.lengthInSamples, rate * detectSeconds);
    const auto numChannels = (int) source.reader->numChannels;

    if (wanted * (double) numChannels > (double) maxSamplesToDecode)
        return {};

    const auto numSamples = (int) wanted;
    juce::AudioBuffer<float> buffer;
    buffer.setSize (numChannels, numSamples, false, true);

    if (! source.reader->read (&buffer, 0, numSamples, 0, true, true))
        return {};

    makeSamplesUsable (buffer);
    return analyseKick (buffer, rate);
}

void KeyCache::run()
{
    while (! threadShouldExit())
    {
        juce::File file;

        {
            const juce::ScopedLock sl (lock);

            if (! pendingFiles.empty())
            {
                file = pendingFiles.front();
                pendingFiles.pop_front();
            }
        }

        const auto path = file.getFullPathName();

        if (path.isEmpty())
        {
            // Nothing to do: save what changed, then sleep until a lookup queues a file
            // or the destructor asks the thread to stop.
            flushIfDirty();
            wait (-1);
            continue;
        }

        Entry entry;
        entry.size = file.getSize();
        entry.modified = modificationMs (file);
        entry.result = detectFile (file, formatManager);
        entry.lastVerifiedMs = MillisecondCounter::now();

        size_t remaining = 0;
        {
            const juce::ScopedLock sl (lock);
            entries[path] = entry;
            dirty = true;
            remaining = pendingFiles.size();
        }

        const auto now = MillisecondCounter::now();

        if (remaining == 0 || (juce::uint32) (now - lastNotifyMs) >= (juce::uint32) noticeIntervalMs)
        {
            lastNotifyMs = now;
            postChangeNotice();
        }

        if ((juce::uint32) (now - lastSaveMs) >= (juce::uint32) saveIntervalMs)
            flushIfDirty();
    }

    flushIfDirty();
}

void KeyCache::postChangeNotice()
{
    auto expected = false;
    if (! notifyPending.compare_exchange_strong (expected, true))
        return; // the previous notice has not been delivered yet

    juce::MessageManager::callAsync ([weakThis = juce::WeakReference<KeyCache> (this)]
                                     {
                                             if (auto* cache = weakThis.get())
                                             {
                                                 cache->notifyPending = false;

                                                 if (cache->onChange)
                                                     cache->onChange();
                                             } });
}

void KeyCache::flushIfDirty()
{
    juce::File target;

    {
        const juce::ScopedLock sl (lock);

        if (! dirty || cacheFile.getFullPathName().isEmpty())
            return;

        target = cacheFile;
        dirty = false;
    }

    lastSaveMs = MillisecondCounter::now();
    saveXml (target);
}
} // namespace vyl
