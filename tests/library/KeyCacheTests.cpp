#include "engine/KickLoading.h"
#include "engine/ZobAudioProcessor.h"
#include "library/KeyCache.h"
#include "library/MillisecondCounter.h"
#include "support/AudioFiles.h"
#include "support/FixedRateFormat.h"
#include "support/OpenGate.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <thread>

namespace juce
{
// JUCE's Linux message loop step (its public timed loop needs modal loops enabled).
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

namespace
{
using Clock = std::chrono::steady_clock;

/** Writes a mono 16-bit WAV kick: a decaying sine of the given pitch. */
void writeKick (const juce::File& file, double hz, double seconds = 1.5, double sampleRate = 44100.0)
{
    const auto kick = zobtest::makeSineKick (1, (int) (seconds * sampleRate), sampleRate, hz);
    ASSERT_TRUE (zobtest::writeWavFile (file, kick, sampleRate, 16));
}

/** Delivers the message thread's messages (this thread's) for about ms milliseconds. */
void pump (int ms)
{
    const auto end = Clock::now() + std::chrono::milliseconds (ms);

    while (Clock::now() < end)
        if (! juce::dispatchNextMessageOnSystemQueue (true))
            std::this_thread::sleep_for (std::chrono::milliseconds (1));
}

/** The "KEY" children of a saved cache file, by path; empty when the file does not parse. */
std::map<juce::String, juce::StringPairArray> readSavedKeys (const juce::File& file)
{
    std::map<juce::String, juce::StringPairArray> keys;

    if (auto root = juce::parseXML (file))
    {
        for (auto* child : root->getChildIterator())
        {
            juce::StringPairArray attributes;
            for (int i = 0; i < child->getNumAttributes(); ++i)
                attributes.set (child->getAttributeName (i), child->getAttributeValue (i));

            keys[child->getStringAttribute ("path")] = attributes;
        }
    }

    return keys;
}

bool savedFileHolds (const juce::File& cacheFile, const juce::Array<juce::File>& files)
{
    const auto keys = readSavedKeys (cacheFile);
    return std::all_of (files.begin(), files.end(), [&keys] (const juce::File& f)
                        { return keys.count (f.getFullPathName()) > 0; });
}

/** Waits until the worker has saved results for every file (it saves when its queue runs
    empty), pumping the message loop unless told not to. Looks nothing up meanwhile, so
    nothing is queued again. */
bool waitUntilSaved (const juce::File& cacheFile, const juce::Array<juce::File>& files, bool pumpMessages = true, int timeoutMs = 20000)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds (timeoutMs);

    while (Clock::now() < deadline)
    {
        if (savedFileHolds (cacheFile, files))
            return true;

        if (pumpMessages)
            pump (5);
        else
            juce::Thread::sleep (5);
    }

    return false;
}

/** A kick file whose opening is held until the test lets go, which holds the detection
    thread at a known point with the file in hand. */
struct BlockingKick : zobtest::OpenGate
{
    explicit BlockingKick (const juce::File& fileToUse)
        : zobtest::OpenGate ((writeKick (fileToUse, 55.0), fileToUse))
    {
    }
};

/** A fresh HOME with a kick folder and a cache whose file lives in it. */
struct CacheFixture
{
    CacheFixture()
    {
        kicks.createDirectory();
        cache->setCacheFile (cacheFile);
        cache->onChange = [this]
        { ++notices; };
    }

    juce::File kick (const juce::String& name, double hz = 55.0)
    {
        auto file = kicks.getChildFile (name);
        writeKick (file, hz);
        return file;
    }

    /** Stores entries in the cache as if "keycache.xml" held them from an earlier run. */
    void preload (const juce::String& keyElements)
    {
        auto stored = home.temp().getChildFile ("stored.xml");
        stored.replaceWithText ("<?xml version=\"1.0\"?><ZOBKeyCache>" + keyElements + "</ZOBKeyCache>");
        cache->loadXml (stored);
    }

    static juce::String keyFor (const juce::File& file, juce::int64 size, juce::int64 modified, int note)
    {
        return "<KEY path=\"" + file.getFullPathName() + "\" size=\"" + juce::String (size) + "\" modified=\""
               + juce::String (modified) + "\" valid=\"1\" hz=\"41.2\" note=\"" + juce::String (note)
               + "\" cents=\"-3.5\" glide=\"0.5\" settled=\"0.25\" approx=\"0\"/>";
    }

    zobtest::ScopedTempHome home;
    juce::File kicks { home.home().getChildFile ("kicks") };
    juce::File cacheFile { home.userFolder().getChildFile ("keycache.xml") };
    int notices = 0;
    std::unique_ptr<vyl::KeyCache> cache = std::make_unique<vyl::KeyCache>();
};

juce::int64 modifiedMs (const juce::File& f) { return f.getLastModificationTime().toMilliseconds(); }

/** Sets the library's millisecond counter for one test, and hands it back to JUCE's after. */
struct ScopedCounter
{
    explicit ScopedCounter (juce::uint32 start) { set (start); }
    ~ScopedCounter() { MillisecondCounter::releaseForTesting(); }
    void set (juce::uint32 value) { MillisecondCounter::setForTesting (value); }
};

/** Four kicks looked up at counter `start`: the worker detects the first at once, then is
    held opening each of the other three until the test lets that one go. */
struct HeldBurst
{
    explicit HeldBurst (CacheFixture& f)
        : first (f.kick ("first.wav")), held { f.kick ("second.wav"), f.kick ("third.wav"), f.kick ("last.wav") }, gate (held), counter (start)
    {
        KickPitchResult result;

        for (const auto& file : juce::Array<juce::File> { first, held[0], held[1], held[2] })
            EXPECT_FALSE (f.cache->lookup (file, result));
    }

    /** Waits until the worker is held at file index (0 to 2). */
    bool heldAt (int index) { return gate.waitUntilInHand (held[index]); }

    /** At start + ms, lets the worker detect file index; it is then held at the next one. */
    bool letGo (int index, juce::uint32 ms)
    {
        counter.set (start + ms);
        gate.release (held[index]);
        return index + 1 >= held.size() || heldAt (index + 1);
    }

    static constexpr juce::uint32 start = 1000000;
    juce::File first;
    juce::Array<juce::File> held;
    zobtest::OpenGate gate;
    ScopedCounter counter;
};

/** Delivers messages until count reaches at least wanted (or about two seconds passed). */
int pumpUntil (const int& count, int wanted)
{
    for (int i = 0; i < 400 && count < wanted; ++i)
        pump (5);

    return count;
}
} // namespace

TEST (KeyCache, ThreadIsNamedAndRunsAtLowPriority)
{
    // The priority getter is protected. It is reached through a pointer to member, never by
    // deriving: a derived object would rewrite the vtable pointer while the worker, started
    // by the cache's own constructor, already reads it.
    struct PriorityAccess : juce::Thread
    {
        using juce::Thread::getPriority;
    };

    const auto getPriority = &PriorityAccess::getPriority;
    vyl::KeyCache cache;

    EXPECT_EQ (cache.getThreadName(), "ZOB key detect");
    EXPECT_TRUE (cache.isThreadRunning());
    EXPECT_EQ ((cache.*getPriority)(), juce::Thread::Priority::low);
}

TEST (KeyCache, UncachedKickIsQueuedDetectedAndThenFound)
{
    CacheFixture f;
    const auto kick = f.kick ("A1.wav", 55.0);
    auto notAudio = f.kicks.getChildFile ("notes.wav");
    notAudio.replaceWithText ("not a wav file at all");

    KickPitchResult result;
    result.hz = -1.0;
    EXPECT_FALSE (f.cache->lookup (kick, result));
    EXPECT_FALSE (f.cache->lookup (notAudio, result));
    EXPECT_EQ (result.hz, -1.0) << "a miss must leave the result alone";

    ASSERT_TRUE (waitUntilSaved (f.cacheFile, { kick, notAudio }));
    pump (50);
    EXPECT_GE (f.notices, 1);

    ASSERT_TRUE (f.cache->lookup (kick, result));
    EXPECT_TRUE (result.valid);
    EXPECT_EQ (result.note, 33);
    EXPECT_EQ (result.noteName(), "A1");

    // A file that cannot be decoded counts as analysed: found, with no pitch, and not queued again.
    result = {};
    result.hz = -1.0;
    ASSERT_TRUE (f.cache->lookup (notAudio, result));
    EXPECT_FALSE (result.valid);
    EXPECT_EQ (result.hz, 0.0);
}

TEST (KeyCache, MissingFilesAndFoldersAreNeverQueued)
{
    CacheFixture f;
    KickPitchResult result;

    for (const auto& file : { f.kicks.getChildFile ("missing.wav"), f.kicks, juce::File() })
        EXPECT_FALSE (f.cache->lookup (file, result)) << file.getFullPathName();

    pump (300);
    EXPECT_EQ (f.notices, 0);
    EXPECT_FALSE (f.cacheFile.exists());
}

TEST (KeyCache, StoredEntryIsTrustedOnlyWhileSizeAndWriteTimeMatch)
{
    struct Case
    {
        const char* name;
        juce::int64 sizeOffset;
        juce::int64 timeOffset;
        bool found;
    };

    const Case cases[] = {
        { "unchanged", 0, 0, true },
        { "write time changed", 0, 2000, false },
        { "size changed", 1, 0, false },
        { "both changed", -1, -5000, false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        CacheFixture f;
        const auto kick = f.kick ("stored.wav", 55.0);
        f.preload (CacheFixture::keyFor (kick, kick.getSize() + c.sizeOffset, modifiedMs (kick) + c.timeOffset, 28));

        KickPitchResult result;
        EXPECT_EQ (f.cache->lookup (kick, result), c.found);

        if (c.found)
        {
            // The stored result comes back as it was stored, no decoding involved.
            EXPECT_TRUE (result.valid);
            EXPECT_EQ (result.note, 28);
            EXPECT_DOUBLE_EQ (result.hz, 41.2);
            EXPECT_FLOAT_EQ (result.cents, -3.5f);
            continue;
        }

        // A stale entry is queued and then replaced by a fresh analysis.
        ASSERT_TRUE (waitUntilSaved (f.cacheFile, { kick }));
        const auto saved = readSavedKeys (f.cacheFile)[kick.getFullPathName()];
        EXPECT_EQ (saved["size"].getLargeIntValue(), kick.getSize());
        EXPECT_EQ ((juce::int64) saved["modified"].getDoubleValue(), modifiedMs (kick));

        ASSERT_TRUE (f.cache->lookup (kick, result));
        EXPECT_TRUE (result.valid);
        EXPECT_EQ (result.note, 33);
    }
}

TEST (KeyCache, CheckedEntryIsBelievedForTwoSecondsThenCheckedAgain)
{
    CacheFixture f;
    const auto kick = f.kick ("trusted.wav", 55.0);
    f.preload (CacheFixture::keyFor (kick, kick.getSize(), modifiedMs (kick), 28));

    KickPitchResult result;
    ASSERT_TRUE (f.cache->lookup (kick, result)); // checks the disk, starts the trust window
    const auto checkedAt = Clock::now();

    // Changed, then deleted: within the window the cache does not look at the disk.
    kick.setLastModificationTime (juce::Time (modifiedMs (kick) + 60000));
    EXPECT_TRUE (f.cache->lookup (kick, result));
    ASSERT_TRUE (kick.deleteFile());
    EXPECT_TRUE (f.cache->lookup (kick, result));
    ASSERT_LT (Clock::now() - checkedAt, std::chrono::milliseconds (1500)) << "the machine is too slow for this test";

    std::this_thread::sleep_for (std::chrono::milliseconds (2050) - (Clock::now() - checkedAt));
    EXPECT_FALSE (f.cache->lookup (kick, result)) << "after 2000 ms the file must be checked again";

    // The entry went with the file.
    const auto out = f.home.temp().getChildFile ("out.xml");
    f.cache->saveXml (out);
    EXPECT_TRUE (readSavedKeys (out).empty());
}

TEST (KeyCache, CheckedEntryIsTrustedForExactlyTwoSecondsAlsoAcrossTheCounterWrap)
{
    // Checked at start; the file is deleted at once. Up to 1999 ms later the cache answers
    // without the disk; from 2000 ms on it looks, finds the file gone and drops the entry.
    for (const juce::uint32 start : { 1000000u, 0xffffffffu - 500u })
    {
        SCOPED_TRACE (juce::String::toHexString ((juce::int64) start));
        CacheFixture f;
        const auto kick = f.kick ("trusted.wav", 55.0);
        f.preload (CacheFixture::keyFor (kick, kick.getSize(), modifiedMs (kick), 28));

        ScopedCounter counter (start);
        KickPitchResult result;
        ASSERT_TRUE (f.cache->lookup (kick, result));
        ASSERT_TRUE (kick.deleteFile());

        counter.set (start + 1999u);
        result = {};
        EXPECT_TRUE (f.cache->lookup (kick, result)) << "1999 ms after the check";
        EXPECT_EQ (result.note, 28);

        counter.set (start + 2000u);
        EXPECT_FALSE (f.cache->lookup (kick, result)) << "2000 ms after the check";

        counter.set (start + 1999u); // the entry went with the file
        EXPECT_FALSE (f.cache->lookup (kick, result));
    }
}

TEST (KeyCache, EntriesFromTheFileAreCheckedOnceTheCounterPassesTwoSeconds)
{
    // Loaded entries count as checked at counter 0.
    CacheFixture f;
    const auto gone = f.kicks.getChildFile ("gone.wav");
    f.preload (CacheFixture::keyFor (gone, 1000, 1700000000000, 28));

    ScopedCounter counter (1999u);
    KickPitchResult result;
    EXPECT_TRUE (f.cache->lookup (gone, result));
    EXPECT_EQ (result.note, 28);

    counter.set (2000u);
    EXPECT_FALSE (f.cache->lookup (gone, result));
}

TEST (KeyCache, WhileTheQueueIsBusyANoticeIsDecidedAtMostEvery150Ms)
{
    CacheFixture f;
    HeldBurst burst (f);

    // The first result is told at once.
    ASSERT_TRUE (burst.heldAt (0));
    EXPECT_EQ (pumpUntil (f.notices, 1), 1);

    // 149 ms after that notice, with files still queued: no notice.
    ASSERT_TRUE (burst.letGo (0, 149));
    pump (100);
    EXPECT_EQ (f.notices, 1);

    // 150 ms after it: the next one.
    ASSERT_TRUE (burst.letGo (1, 150));
    EXPECT_EQ (pumpUntil (f.notices, 2), 2);

    // The result that empties the queue is told whenever it comes.
    ASSERT_TRUE (burst.letGo (2, 151));
    EXPECT_EQ (pumpUntil (f.notices, 3), 3);
}

TEST (KeyCache, WhileTheQueueIsBusyTheCacheIsSavedAtMostEveryTenSeconds)
{
    CacheFixture f;
    HeldBurst burst (f);
    const auto& held = burst.held;

    // The first detection saves at once (the last save was at counter 0).
    ASSERT_TRUE (burst.heldAt (0));
    ASSERT_TRUE (waitUntilSaved (f.cacheFile, { burst.first }));

    ASSERT_TRUE (burst.letGo (0, 9999));
    EXPECT_FALSE (savedFileHolds (f.cacheFile, { held[0] })) << "saved 9999 ms after the last save";

    ASSERT_TRUE (burst.letGo (1, 10000));
    EXPECT_TRUE (savedFileHolds (f.cacheFile, { burst.first, held[0], held[1] })) << "not saved 10000 ms after the last save";

    // The queue running empty saves whenever it happens.
    ASSERT_TRUE (burst.letGo (2, 10001));
    EXPECT_TRUE (waitUntilSaved (f.cacheFile, { held[2] }));
}

TEST (KeyCache, SpellingsOfOnePathAreSeparateButQueuedOnce)
{
    CacheFixture f;
    BlockingKick blocker (f.kicks.getChildFile ("blocker.wav"));
    const auto lower = f.kick ("a.wav", 55.0);
    const auto upper = f.kick ("A.wav", 55.0);

    KickPitchResult result;
    EXPECT_FALSE (f.cache->lookup (blocker.file, result));
    ASSERT_TRUE (blocker.waitUntilInHand());

    // The worker is held: the queue stays as these lookups leave it.
    EXPECT_FALSE (f.cache->lookup (lower, result));
    EXPECT_FALSE (f.cache->lookup (upper, result)); // "a.wav" is queued, which matches ignoring case
    EXPECT_FALSE (f.cache->lookup (lower, result)); // already queued: not again
    blocker.release();

    ASSERT_TRUE (waitUntilSaved (f.cacheFile, { blocker.file, lower }));
    EXPECT_EQ (readSavedKeys (f.cacheFile).size(), 2u);

    EXPECT_TRUE (f.cache->lookup (lower, result));
    EXPECT_FALSE (f.cache->lookup (upper, result)) << "the other spelling has an entry of its own";
    ASSERT_TRUE (waitUntilSaved (f.cacheFile, { upper }));
    EXPECT_TRUE (f.cache->lookup (upper, result));
}

TEST (KeyCache, OneNoticeIsPendingAtATime)
{
    CacheFixture f;
    juce::Array<juce::File> burst;
    for (int i = 0; i < 30; ++i)
        burst.add (f.kick ("burst" + juce::String (i) + ".wav", 45.0 + i));

    KickPitchResult result;
    for (const auto& file : burst)
        EXPECT_FALSE (f.cache->lookup (file, result));

    // Nobody delivers messages while the burst runs: only the first notice is ever posted.
    ASSERT_TRUE (waitUntilSaved (f.cacheFile, burst, false));
    EXPECT_EQ (f.notices, 0);
    pump (300);
    EXPECT_EQ (f.notices, 1);

    // With that notice delivered, the next result posts a new one.
    const auto late = f.kick ("late.wav");
    EXPECT_FALSE (f.cache->lookup (late, result));
    ASSERT_TRUE (waitUntilSaved (f.cacheFile, { late }));
    pump (300);
    EXPECT_EQ (f.notices, 2);
}

TEST (KeyCache, NoticesAreThrottledWhileTheQueueIsBusy)
{
    CacheFixture f;
    juce::Array<juce::File> burst;
    for (int i = 0; i < 40; ++i)
        burst.add (f.kick ("burst" + juce::String (i) + ".wav", 45.0 + i * 0.5));

    // Each notice takes a snapshot of the entries (without looking anything up, which would
    // queue the file in hand again).
    bool lastNoticeSawEverything = false;
    const auto snapshot = f.home.temp().getChildFile ("snapshot.xml");
    f.cache->onChange = [&]
    {
        ++f.notices;
        f.cache->saveXml (snapshot);
        lastNoticeSawEverything = savedFileHolds (snapshot, burst);
    };

    KickPitchResult result;
    const auto start = Clock::now();
    for (const auto& file : burst)
        EXPECT_FALSE (f.cache->lookup (file, result));

    ASSERT_TRUE (waitUntilSaved (f.cacheFile, burst));
    const auto busyMs = std::chrono::duration_cast<std::chrono::milliseconds> (Clock::now() - start).count();
    pump (300);

    // One notice after the first detection, at most one per 150 ms after it, one after the last.
    EXPECT_GE (f.notices, 1);
    EXPECT_LE (f.notices, 2 + busyMs / 150) << "busy for " << busyMs << " ms";
    EXPECT_TRUE (lastNoticeSawEverything) << "the last notice must come after the last result";
}

TEST (KeyCache, NoticeAfterOnChangeIsClearedDoesNothing)
{
    CacheFixture f;
    const auto kick = f.kick ("cleared.wav");
    KickPitchResult result;
    EXPECT_FALSE (f.cache->lookup (kick, result));
    ASSERT_TRUE (waitUntilSaved (f.cacheFile, { kick }, false));

    f.cache->onChange = nullptr;
    pump (200);
    EXPECT_EQ (f.notices, 0);
}

TEST (KeyCache, SavedFileHasItsExactFormat)
{
    CacheFixture f;
    f.preload ("<KEY path=\"/kicks/b.wav\" size=\"0\" modified=\"0\" valid=\"0\" hz=\"0\" note=\"0\" cents=\"0\" glide=\"0\" settled=\"0\" approx=\"0\"/>"
               "<KEY path=\"/kicks/B.wav\" size=\"48000\" modified=\"1700000000123\" valid=\"1\" hz=\"55.25\" note=\"33\""
               " cents=\"7.75\" glide=\"0.5\" settled=\"0.125\" approx=\"0\"/>"
               "<KEY path=\"/kicks/Big.aif\" size=\"1234567\" modified=\"1712345678901\" valid=\"1\" hz=\"43.5\" note=\"29\""
               " cents=\"-40.5\" glide=\"1.25\" settled=\"0.5\" approx=\"1\"/>");

    const auto out = f.home.temp().getChildFile ("out.xml");
    f.cache->saveXml (out);

    // Map order is by code point ("B" < "Big" < "b"); attribute order is fixed; CR LF line ends,
    // a new line once the attributes written on a line pass 60 characters.
    const juce::String expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "\r\n"
        "<ZOBKeyCache>\r\n"
        "  <KEY path=\"/kicks/B.wav\" size=\"48000.0\" modified=\"1.700000000123e12\"\r\n"
        "       valid=\"1\" hz=\"55.25\" note=\"33\" cents=\"7.75\" glide=\"0.5\" settled=\"0.125\"\r\n"
        "       approx=\"0\"/>\r\n"
        "  <KEY path=\"/kicks/Big.aif\" size=\"1.234567e6\" modified=\"1.712345678901e12\"\r\n"
        "       valid=\"1\" hz=\"43.5\" note=\"29\" cents=\"-40.5\" glide=\"1.25\" settled=\"0.5\"\r\n"
        "       approx=\"1\"/>\r\n"
        "  <KEY path=\"/kicks/b.wav\" size=\"0.0\" modified=\"0.0\" valid=\"0\" hz=\"0.0\"\r\n"
        "       note=\"0\" cents=\"0.0\" glide=\"0.0\" settled=\"0.0\" approx=\"0\"/>\r\n"
        "</ZOBKeyCache>\r\n";
    EXPECT_EQ (out.loadFileAsString(), expected);

    // And it reads back as it was written.
    vyl::KeyCache reloaded;
    reloaded.loadXml (out);
    const auto again = f.home.temp().getChildFile ("again.xml");
    reloaded.saveXml (again);
    EXPECT_EQ (again.loadFileAsString(), expected);
}

TEST (KeyCache, SavesCreateTheFolderAndRunWhenTheQueueEmpties)
{
    CacheFixture f;
    ASSERT_FALSE (f.cacheFile.getParentDirectory().exists());
    const auto kick = f.kick ("first.wav");

    KickPitchResult result;
    EXPECT_FALSE (f.cache->lookup (kick, result));
    ASSERT_TRUE (waitUntilSaved (f.cacheFile, { kick }));

    const auto keys = readSavedKeys (f.cacheFile);
    ASSERT_EQ (keys.size(), 1u);
    const auto& saved = keys.begin()->second;
    EXPECT_EQ (saved.getAllKeys().joinIntoString (","), "path,size,modified,valid,hz,note,cents,glide,settled,approx");
    EXPECT_EQ (saved["valid"], "1");
    EXPECT_EQ (saved["note"], "33");
}

TEST (KeyCache, ForeignOrMalformedFilesLoadWhatMakesSense)
{
    struct Case
    {
        const char* name;
        const char* text;
        std::map<juce::String, juce::String> expected; // path -> "size,modified,valid,hz,note,cents,glide,settled,approx"
    };

    const Case cases[] = {
        { "not XML", "this is not xml <<<", {} },
        { "empty", "", {} },
        { "binary", "\x01\x02\xff\xfe<", {} },
        { "wrong root", "<OtherCache><KEY path=\"/k/a.wav\" size=\"5\"/></OtherCache>", {} },
        { "truncated", "<ZOBKeyCache><KEY path=\"/k/a.wav\" size=\"5\"", {} },
        { "letter case of tags", "<zobkeycache><key path=\"/k/a.wav\" size=\"5\" valid=\"1\" note=\"40\"/></zobkeycache>", { { "/k/a.wav", "5.0,0.0,1,0.0,40,0.0,0.0,0.0,0" } } },
        { "letter case of path", "<ZOBKeyCache><KEY PATH=\"/k/a.wav\" size=\"5\"/></ZOBKeyCache>", {} },
        { "empty path and other children", "<ZOBKeyCache><KEY path=\"\" size=\"5\"/><OTHER path=\"/k/o.wav\"/><KEY path=\"/k/b.wav\"/></ZOBKeyCache>", { { "/k/b.wav", "0.0,0.0,0,0.0,0,0.0,0.0,0.0,0" } } },
        { "true and yes", "<ZOBKeyCache><KEY path=\"/k/t.wav\" valid=\"true\" approx=\"yes\"/><KEY path=\"/k/f.wav\" valid=\"false\" approx=\"2\"/></ZOBKeyCache>", { { "/k/f.wav", "0.0,0.0,0,0.0,0,0.0,0.0,0.0,0" }, { "/k/t.wav", "0.0,0.0,1,0.0,0,0.0,0.0,0.0,1" } } },
        { "garbage numbers",
          "<ZOBKeyCache><KEY path=\"/k/g.wav\" size=\"abc\" modified=\"1e400\" valid=\"1\" hz=\"x\" note=\"n\" cents=\"1e300\""
          " glide=\"-1e300\" settled=\"12abc\" approx=\"0\"/><KEY path=\"/k/h.wav\" size=\"-1e30\" modified=\"1e19\"/></ZOBKeyCache>",
          { { "/k/g.wav", "0.0,0.0,1,0.0,0,3.402823466385289e38,-3.402823466385289e38,12.0,0" },
            { "/k/h.wav", "0.0,0.0,0,0.0,0,0.0,0.0,0.0,0" } } },
        // What is not a number reads as 0 (JUCE cannot write NaN back); infinities stay.
        { "not a number",
          "<ZOBKeyCache><KEY path=\"/k/n.wav\" valid=\"1\" hz=\"nan\" cents=\"nan\" glide=\"-nan\" settled=\"inf\"/></ZOBKeyCache>",
          { { "/k/n.wav", "0.0,0.0,1,0.0,0,0.0,0.0,3.402823466385289e38,0" } } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        CacheFixture f;
        auto in = f.home.temp().getChildFile ("in.xml");
        in.replaceWithText (c.text);
        f.cache->loadXml (in);
        f.cache->loadXml (f.home.temp().getChildFile ("missing.xml"));

        const auto out = f.home.temp().getChildFile ("out.xml");
        f.cache->saveXml (out);

        std::map<juce::String, juce::String> got;
        for (const auto& [path, attributes] : readSavedKeys (out))
        {
            juce::StringArray values;
            for (const auto* name : { "size", "modified", "valid", "hz", "note", "cents", "glide", "settled", "approx" })
                values.add (attributes[name]);
            got[path] = values.joinIntoString (",");
        }

        EXPECT_EQ (got, c.expected);
    }
}

TEST (KeyCache, LoadingMergesAndLeavesTheCacheUnchanged)
{
    CacheFixture f;
    f.preload ("<KEY path=\"/k/a.wav\" note=\"40\"/><KEY path=\"/k/b.wav\" note=\"41\"/>");
    f.preload ("<KEY path=\"/k/b.wav\" note=\"50\"/><KEY path=\"/k/c.wav\" note=\"52\"/>");

    const auto out = f.home.temp().getChildFile ("out.xml");
    f.cache->saveXml (out);
    const auto keys = readSavedKeys (out);
    ASSERT_EQ (keys.size(), 3u);
    EXPECT_EQ (keys.at ("/k/a.wav")["note"], "40");
    EXPECT_EQ (keys.at ("/k/b.wav")["note"], "50");
    EXPECT_EQ (keys.at ("/k/c.wav")["note"], "52");

    // Loading marks nothing as changed, so the worker writes no file of its own.
    juce::Thread::sleep (200);
    EXPECT_FALSE (f.cacheFile.exists());

    // A lookup that finds a file gone drops its entry without a save either.
    KickPitchResult result;
    EXPECT_FALSE (f.cache->lookup (juce::File ("/k/a.wav"), result));
    juce::Thread::sleep (200);
    EXPECT_FALSE (f.cacheFile.exists());
    f.cache->saveXml (out);
    EXPECT_EQ (readSavedKeys (out).count ("/k/a.wav"), 0u);
}

TEST (KeyCache, DetectFileRejectsWhatCannotBeAnalysed)
{
    zobtest::ScopedTempHome home;
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();

    const auto folder = home.temp();
    auto empty = folder.getChildFile ("empty.wav");
    empty.create();
    auto text = folder.getChildFile ("text.wav");
    text.replaceWithText ("RIFF nonsense");
    auto truncated = folder.getChildFile ("truncated.wav");
    writeKick (truncated, 55.0);
    {
        juce::MemoryBlock data;
        truncated.loadFileAsData (data);
        truncated.replaceWithData (data.getData(), 60);
    }

    for (const auto& file : { folder.getChildFile ("missing.wav"), folder, empty, text, truncated })
        EXPECT_FALSE (vyl::KeyCache::detectFile (file, formats).valid) << file.getFileName();

    // A longer kick at another rate: its first 1.5 s are analysed.
    auto longKick = folder.getChildFile ("long.wav");
    writeKick (longKick, 55.0, 2.0, 48000.0);
    const auto result = vyl::KeyCache::detectFile (longKick, formats);
    EXPECT_TRUE (result.valid);
    EXPECT_EQ (result.note, 33);
}

TEST (KeyCache, AKickWithoutARateIsAnalysedAtTheRateItPlaysAt)
{
    zobtest::ScopedTempHome home;
    const auto file = home.temp().getChildFile ("no rate.fixedrate");
    ASSERT_TRUE (file.replaceWithText ("stands in for audio data"));

    // One second of a 55 Hz kick as heard at 44.1 kHz: both readers analyse all of it.
    const auto kick = zobtest::makeSineKick (1, 44100, 44100.0, 55.0);
    const std::vector<float> samples (kick.getReadPointer (0), kick.getReadPointer (0) + kick.getNumSamples());

    for (const auto reported : { 0.0, -8000.0 })
    {
        SCOPED_TRACE (reported);
        juce::AudioFormatManager formats;
        formats.registerFormat (new zobtest::FixedRateFormat (reported, samples), true);

        // The key badge (the loaded kick) and the browser row (the cache) show one note.
        LoadedSample loaded;
        ASSERT_TRUE (loadSampleFile (loaded, file, formats));
        const auto badge = analyseKick (loaded.buffer, loaded.sampleRate);
        const auto row = vyl::KeyCache::detectFile (file, formats);

        ASSERT_TRUE (badge.valid);
        EXPECT_EQ (badge.note, 33);
        EXPECT_TRUE (row.valid);
        EXPECT_EQ (row.note, badge.note);
        EXPECT_EQ (row.hz, badge.hz);
    }
}

TEST (KeyCache, DetectFileAnalysesTheFirstOneAndAHalfSecondsOnly)
{
    // Silence, then a kick: found while it starts 1.4 s in, not once it starts at 1.5 s.
    zobtest::ScopedTempHome home;
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    constexpr double rate = 44100.0;

    for (const auto& [leadSeconds, found] : { std::pair<double, bool> { 1.4, true }, { 1.5, false } })
    {
        const auto lead = (int) (leadSeconds * rate);
        const auto kick = zobtest::makeSineKick (1, (int) (0.5 * rate), rate, 55.0);
        juce::AudioBuffer<float> late (1, lead + kick.getNumSamples());
        late.clear();
        late.copyFrom (0, lead, kick, 0, 0, kick.getNumSamples());

        const auto file = home.temp().getChildFile ("late.wav");
        ASSERT_TRUE (zobtest::writeWavFile (file, late, rate, 16));
        const auto result = vyl::KeyCache::detectFile (file, formats);
        EXPECT_EQ (result.valid, found) << leadSeconds;

        if (found)
            EXPECT_EQ (result.note, 33);
    }
}

TEST (KeyCache, DetectFileRefusesHeadersThatClaimTooMuch)
{
    zobtest::ScopedTempHome home;
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();

    // A WAV file whose header claims far more audio than it holds.
    auto writeHeader = [] (const juce::File& file, juce::uint16 channels, juce::uint32 rate, juce::uint32 claimedDataBytes)
    {
        constexpr int actualDataBytes = 1 << 16;
        juce::MemoryOutputStream out;
        out.write ("RIFF", 4);
        out.writeInt ((int) (36 + claimedDataBytes));
        out.write ("WAVEfmt ", 8);
        out.writeInt (16);
        out.writeShort (1); // PCM
        out.writeShort ((short) channels);
        out.writeInt ((int) rate);
        out.writeInt ((int) (rate * channels * 2u));
        out.writeShort ((short) (channels * 2));
        out.writeShort (16);
        out.write ("data", 4);
        out.writeInt ((int) claimedDataBytes);
        out.writeRepeatedByte (0, actualDataBytes);
        file.replaceWithData (out.getData(), out.getDataSize());
    };

    // 4096 channels at 192 kHz: 1.5 s of that would be gigabytes of floats.
    auto huge = home.temp().getChildFile ("huge.wav");
    writeHeader (huge, 4096, 192000, 0xfffff000u);
    {
        std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (huge));
        ASSERT_NE (reader, nullptr) << "the decoder must accept the header for this test to mean anything";
        EXPECT_GT ((double) reader->lengthInSamples * reader->numChannels, 1.0e9);
    }
    EXPECT_FALSE (vyl::KeyCache::detectFile (huge, formats).valid);

    // A rate the analysis cannot use, and one that reads as negative.
    for (const auto rate : { 4000u, 0xf0000000u })
    {
        auto odd = home.temp().getChildFile ("rate.wav");
        writeHeader (odd, 1, rate, 1 << 16);
        EXPECT_FALSE (vyl::KeyCache::detectFile (odd, formats).valid) << rate;
    }
}

TEST (KeyCache, ShutdownWithAQueueInFlightKeepsWhatWasDetected)
{
    CacheFixture f;
    BlockingKick blocker (f.kicks.getChildFile ("in hand.wav"));
    juce::Array<juce::File> queued;
    for (int i = 0; i < 20; ++i)
        queued.add (f.kick ("queued" + juce::String (i) + ".wav"));

    KickPitchResult result;
    EXPECT_FALSE (f.cache->lookup (blocker.file, result));
    ASSERT_TRUE (blocker.waitUntilInHand());
    for (const auto& file : queued)
        EXPECT_FALSE (f.cache->lookup (file, result));

    // The worker is in the middle of a file when the cache goes; it is let go 200 ms later.
    std::thread releaser ([&blocker]
                          {
                              std::this_thread::sleep_for (std::chrono::milliseconds (200));
                              blocker.release(); });

    const auto start = Clock::now();
    f.cache.reset();
    const auto took = Clock::now() - start;
    releaser.join();

    EXPECT_LT (took, std::chrono::milliseconds (2000));

    // The file in hand was finished and saved; the rest of the queue was dropped.
    const auto keys = readSavedKeys (f.cacheFile);
    EXPECT_EQ (keys.size(), 1u);
    EXPECT_EQ (keys.count (blocker.file.getFullPathName()), 1u);

    // Its notice is still in the message queue: delivering it must find the cache gone.
    pump (200);
    EXPECT_EQ (f.notices, 0);
}

TEST (KeyCache, ShutdownRightAfterABurstIsQuick)
{
    CacheFixture f;
    juce::Array<juce::File> queued;
    for (int i = 0; i < 60; ++i)
        queued.add (f.kick ("many" + juce::String (i) + ".wav", 40.0 + i));

    KickPitchResult result;
    for (const auto& file : queued)
        f.cache->lookup (file, result);

    const auto start = Clock::now();
    f.cache.reset();
    EXPECT_LT (Clock::now() - start, std::chrono::milliseconds (2000));

    for (const auto& [path, attributes] : readSavedKeys (f.cacheFile))
        EXPECT_TRUE (queued.contains (juce::File (path))) << path;

    pump (100);
    EXPECT_EQ (f.notices, 0);
}

TEST (KeyCache, ProcessorLoadsKeyCacheFileBesideTheUiSettings)
{
    zobtest::ScopedTempHome home;
    const auto kick = home.home().getChildFile ("kick.wav");
    writeKick (kick, 55.0);
    const auto cacheFile = home.userFolder().getChildFile ("keycache.xml");
    cacheFile.getParentDirectory().createDirectory();
    cacheFile.replaceWithText ("<ZOBKeyCache>" + CacheFixture::keyFor (kick, kick.getSize(), modifiedMs (kick), 28) + "</ZOBKeyCache>");
    const auto before = cacheFile.loadFileAsString();

    {
        ZobAudioProcessor processor;
        KickPitchResult result;
        ASSERT_TRUE (processor.keyCache.lookup (kick, result));
        EXPECT_EQ (result.note, 28);
    }

    // Nothing was detected, so closing leaves the file as it was.
    EXPECT_EQ (cacheFile.loadFileAsString(), before);
}

TEST (KeyCache, ProcessorClosesWhileItsCacheIsDecoding)
{
    // The processor's own format manager goes before its key cache: the worker, caught in the
    // middle of decoding, must be using formats of its own, and must stop before anything goes.
    zobtest::ScopedTempHome home;
    const auto kicks = home.home().getChildFile ("kicks");
    kicks.createDirectory();
    BlockingKick blocker (kicks.getChildFile ("in hand.wav"));

    auto processor = std::make_unique<ZobAudioProcessor>();
    KickPitchResult result;
    EXPECT_FALSE (processor->keyCache.lookup (blocker.file, result));
    ASSERT_TRUE (blocker.waitUntilInHand());

    for (int i = 0; i < 5; ++i)
    {
        const auto kick = kicks.getChildFile ("queued" + juce::String (i) + ".wav");
        writeKick (kick, 50.0 + i);
        EXPECT_FALSE (processor->keyCache.lookup (kick, result));
    }

    std::thread releaser ([&blocker]
                          {
                              std::this_thread::sleep_for (std::chrono::milliseconds (200));
                              blocker.release(); });
    processor.reset();
    releaser.join();

    const auto keys = readSavedKeys (home.userFolder().getChildFile ("keycache.xml"));
    EXPECT_EQ (keys.size(), 1u);
    EXPECT_EQ (keys.count (blocker.file.getFullPathName()), 1u);
    pump (100);
}
