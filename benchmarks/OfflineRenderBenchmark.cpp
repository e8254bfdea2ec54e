// The offline render of a 1 s stereo kick at 44.1 kHz with every stage active.
//   build/OfflineRenderBenchmark --benchmark_min_time=1

#include "BenchmarkKick.h"

#include <benchmark/benchmark.h>
#include <juce_events/juce_events.h>

#include <chrono>

namespace
{
void renderOneSecondKick (benchmark::State& state)
{
    ZobAudioProcessor processor;
    zobbench::loadSyntheticKick (processor);
    zobbench::setAllStagesActive (processor);

    juce::AudioBuffer<float> out;
    double rate = 0.0;
    double frames = 0.0;
    const auto started = std::chrono::steady_clock::now();

    for (auto _ : state)
    {
        processor.renderProcessedKick (out, rate);
        benchmark::DoNotOptimize (out.getReadPointer (0));
        frames += processor.loadedSample.buffer.getNumSamples(); // per frame of the kick
    }

    const auto seconds = std::chrono::duration<double> (std::chrono::steady_clock::now() - started).count();
    zobbench::labelFrameCost (state, frames, processor.loadedSample.sampleRate, seconds);
}
} // namespace

BENCHMARK (renderOneSecondKick)->Unit (benchmark::kMillisecond);
