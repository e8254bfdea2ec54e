// Cost of one kick pitch analysis: the key cache's 1.5 s excerpt and a whole 3 s kick,
// both at 44.1 kHz. Run: build/PitchAnalysisBenchmark
#include "library/KickPitchAnalysis.h"
#include "tools/KickSynth/KickSynthesiser.h"

#include <benchmark/benchmark.h>

namespace
{
juce::AudioBuffer<float> makeKick (double seconds)
{
    KickRecipe recipe;
    recipe.settledHz = 55.0;
    recipe.decaySeconds = 0.8; // a long, ringing kick: most frames stay above the gate
    recipe.clickLevel = 0.3;
    recipe.noiseLevel = 0.2;
    recipe.drive = 2.0;
    recipe.numChannels = 2;
    recipe.lengthSeconds = seconds;
    return renderKick (recipe, 44100.0);
}

void analyse (benchmark::State& state, double seconds)
{
    const auto kick = makeKick (seconds);
    for (auto _ : state)
        benchmark::DoNotOptimize (analyseKick (kick, 44100.0));

    state.counters["samples/s"] = benchmark::Counter ((double) kick.getNumSamples() * (double) state.iterations(), benchmark::Counter::kIsRate);
}
} // namespace

BENCHMARK_CAPTURE (analyse, KeyCacheExcerpt1500ms, 1.5)->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (analyse, WholeKick3s, 3.0)->Unit (benchmark::kMillisecond);