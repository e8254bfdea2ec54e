// Key cache costs over a folder of 1,000 generated kicks (1-2 s, 44.1 and 48 kHz, WAV):
// - DetectionThread: kicks per second on the "ZOB key detect" thread, decode included, from
//   queueing all 1,000 to the save that follows the last result;
// - DetectFile: one file decoded and analysed on the calling thread;
// - LookupScreenful: the browser's 11 visible rows looked up on the message thread, with the
//   rows trusted (checked less than 2 s ago) and with every row checked against the disk.
// Run: build/KeyCacheBenchmark
#include "library/KeyCache.h"
#include "tools/KickSynth/KickSynthesiser.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace
{
constexpr int numKicks = 1000;
constexpr int rowsOnScreen = 11;

struct KickFolder
{
    KickFolder()
    {
        folder.createDirectory();
        juce::WavAudioFormat wav;

        for (int i = 0; i < numKicks; ++i)
        {
            KickRecipe recipe;
            recipe.settledHz = 40.0 + (i % 31);
            recipe.lengthSeconds = 1.0 + (i % 11) / 10.0;
            recipe.numChannels = 1 + i % 2;
            const auto rate = i % 3 == 0 ? 48000.0 : 44100.0;
            const auto kick = renderKick (recipe, rate);

            auto file = folder.getChildFile ("Kick " + juce::String (i).paddedLeft ('0', 4) + ".wav");
            auto stream = std::make_unique<juce::FileOutputStream> (file);
            std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), rate, (unsigned int) kick.getNumChannels(), 24, {}, 0));
            if (writer == nullptr)
                continue;

            stream.release();
            writer->writeFromAudioSampleBuffer (kick, 0, kick.getNumSamples());
            files.add (file);
        }
    }

    ~KickFolder() { folder.deleteRecursively(); }

    /** A cache file as the worker would have written it for these files, with no pitch found. */
    juce::File writeCacheFile (const juce::String& name, int first = 0, int count = numKicks) const
    {
        juce::XmlElement root ("ZOBKeyCache");

        for (int i = first; i < first + count; ++i)
        {
            const auto& file = files.getReference (i % files.size());
            auto* key = root.createNewChildElement ("KEY");
            key->setAttribute ("path", file.getFullPathName());
            key->setAttribute ("size", (double) file.getSize());
            key->setAttribute ("modified", (double) file.getLastModificationTime().toMilliseconds());
        }

        auto cacheFile = folder.getChildFile (name);
        root.writeTo (cacheFile);
        return cacheFile;
    }

    juce::File folder { juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getChildFile ("zob-keycache-benchmark-" + juce::String (juce::Random::getSystemRandom().nextInt64())) };
    juce::Array<juce::File> files;
};

const KickFolder& kickFolder()
{
    static KickFolder kicks;
    return kicks;
}

int savedKeyCount (const juce::File& cacheFile)
{
    auto root = juce::parseXML (cacheFile);
    return root != nullptr ? root->getNumChildElements() : 0;
}

void DetectionThread (benchmark::State& state)
{
    const auto& kicks = kickFolder();
    const auto cacheFile = kicks.folder.getChildFile ("keycache.xml");

    for (auto _ : state)
    {
        cacheFile.deleteFile();
        vyl::KeyCache cache;
        cache.setCacheFile (cacheFile);

        const auto start = std::chrono::steady_clock::now();
        KickPitchResult result;
        for (const auto& file : kicks.files)
            cache.lookup (file, result);

        // The worker saves when its queue runs empty: that save holds every result.
        while (savedKeyCount (cacheFile) < kicks.files.size())
            juce::Thread::sleep (5);

        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime (elapsed.count());
    }

    state.counters["kicks/s"] = benchmark::Counter ((double) kicks.files.size() * (double) state.iterations(), benchmark::Counter::kIsRate);
}

void DetectFile (benchmark::State& state)
{
    const auto& kicks = kickFolder();
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    int next = 0;

    for (auto _ : state)
        benchmark::DoNotOptimize (vyl::KeyCache::detectFile (kicks.files.getReference (next++ % kicks.files.size()), formats));

    state.counters["kicks/s"] = benchmark::Counter ((double) state.iterations(), benchmark::Counter::kIsRate);
}

void LookupScreenful (benchmark::State& state, bool checkDisk)
{
    const auto& kicks = kickFolder();
    vyl::KeyCache cache;
    cache.loadXml (kicks.writeCacheFile ("rows.xml"));

    // Rows loaded from a file are checked against the disk on their next lookup.
    const auto screenful = kicks.writeCacheFile ("screenful.xml", 500, rowsOnScreen);
    KickPitchResult result;
    auto lastRefresh = std::chrono::steady_clock::now() - std::chrono::hours (1);

    for (auto _ : state)
    {
        if (checkDisk || std::chrono::steady_clock::now() - lastRefresh > std::chrono::milliseconds (1500))
        {
            state.PauseTiming();
            cache.loadXml (screenful);
            if (! checkDisk)
            {
                for (int row = 0; row < rowsOnScreen; ++row)
                    cache.lookup (kicks.files.getReference (500 + row), result);
                lastRefresh = std::chrono::steady_clock::now();
            }
            state.ResumeTiming();
        }

        for (int row = 0; row < rowsOnScreen; ++row)
            benchmark::DoNotOptimize (cache.lookup (kicks.files.getReference (500 + row), result));
    }
}
} // namespace

BENCHMARK (DetectionThread)->UseManualTime()->Iterations (3)->Unit (benchmark::kMillisecond);
BENCHMARK (DetectFile)->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (LookupScreenful, Trusted, false)->Unit (benchmark::kMicrosecond);
BENCHMARK_CAPTURE (LookupScreenful, CheckedOnDisk, true)->Unit (benchmark::kMicrosecond);