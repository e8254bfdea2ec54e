// The key cache's detection thread against the message thread's lookups, while the kicks
// on disk are rewritten, removed and put back, and the cache is shut down mid-queue.

#include "library/KeyCache.h"

#include "support/AudioFiles.h"
#include "support/MessageLoop.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace
{
using Clock = std::chrono::steady_clock;

constexpr int numKicks = 24;
const double pitches[] = { 41.2, 55.0, 65.41, 73.42 }; // E1, A1, C2, D2
const int notes[] = { 28, 33, 36, 38 };

/** A 0.3 s kick; each version is a little longer, since the cache tells files apart by
    size and by a modification time that JUCE reads to the second on Linux. */
void writeKick (const juce::File& file, int pitch, int version)
{
    const auto kick = zobtest::makeSineKick (1, 13230 + 2 * version, 44100.0, pitches[pitch]);
    ASSERT_TRUE (zobtest::writeWavFile (file, kick, 44100.0, 16));
}

/** Looks every kick up until each is found or the time is up, delivering notices meanwhile. */
bool lookUpUntilAllFound (vyl::KeyCache& cache, const juce::Array<juce::File>& kicks, std::vector<KickPitchResult>& results)
{
    const auto deadline = Clock::now() + std::chrono::seconds (60);
    results.assign ((size_t) kicks.size(), {});

    while (Clock::now() < deadline)
    {
        auto found = 0;

        for (int i = 0; i < kicks.size(); ++i)
            if (cache.lookup (kicks[i], results[(size_t) i]))
                ++found;

        if (found == kicks.size())
            return true;

        zobtest::runPendingMessages();
        std::this_thread::sleep_for (std::chrono::milliseconds (5));
    }

    return false;
}
} // namespace

TEST (KeyCacheRace, LookupsWhileTheDetectionThreadWorksAndTheFilesChange)
{
    const zobtest::ScopedTempHome home;
    const auto folder = home.temp().getChildFile ("kicks");
    const auto cacheFile = home.userFolder().getChildFile ("keycache.xml");
    juce::Array<juce::File> kicks;
    std::vector<int> pitchOf, versionOf ((size_t) numKicks, 0);

    for (int i = 0; i < numKicks; ++i)
    {
        kicks.add (folder.getChildFile ("kick " + juce::String (i) + ".wav"));
        pitchOf.push_back (i % 4);
        writeKick (kicks.getLast(), pitchOf.back(), 0);
    }

    juce::Random random (17);
    auto notices = 0;

    {
        vyl::KeyCache cache;
        cache.setCacheFile (cacheFile);
        cache.onChange = [&notices]
        { ++notices; };

        for (int round = 0; round < 60; ++round)
        {
            KickPitchResult result;

            for (const auto& kick : kicks)
                cache.lookup (kick, result);

            // Files change under the cache: a new pitch, or gone for a while.
            const auto changed = random.nextInt (numKicks);
            auto& pitch = pitchOf[(size_t) changed];
            auto& version = versionOf[(size_t) changed];

            if (round % 3 == 0)
            {
                pitch = (pitch + 1) % 4;
                writeKick (kicks[changed], pitch, ++version);
            }
            else if (round % 3 == 1)
            {
                kicks[changed].deleteFile();
                cache.lookup (kicks[changed], result);
                writeKick (kicks[changed], pitch, ++version);
            }

            zobtest::runPendingMessages();
            std::this_thread::sleep_for (std::chrono::milliseconds (2));
        }

        // Gone while its queue may still be busy and a notice may still be on its way.
    }

    zobtest::runPendingMessages();
    EXPECT_GT (notices, 0);

    // A fresh cache starts from the saved file: entries whose files changed since are
    // detected again, so every kick ends with the pitch it has on disk now.
    vyl::KeyCache cache;
    cache.setCacheFile (cacheFile);
    std::vector<KickPitchResult> results;
    ASSERT_TRUE (lookUpUntilAllFound (cache, kicks, results));

    for (int i = 0; i < numKicks; ++i)
    {
        EXPECT_TRUE (results[(size_t) i].valid) << kicks[i].getFileName();
        EXPECT_EQ (results[(size_t) i].note, notes[pitchOf[(size_t) i]]) << kicks[i].getFileName();
    }
}
