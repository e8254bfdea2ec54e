// The audio block's cost per sample frame and its real-time factor at 48 kHz.
//   build/ProcessBlockBenchmark --benchmark_min_time=1

#include "BenchmarkKick.h"

#include <benchmark/benchmark.h>
#include <juce_events/juce_events.h>

namespace
{
constexpr double hostRate = 48000.0;

enum class Load
{
    idle,
    allStagesActive,
    compareToggling
};

void runBlocks (benchmark::State& state, Load load)
{
    const auto blockSize = (int) state.range (0);

    ZobAudioProcessor processor;
    zobbench::loadSyntheticKick (processor);

    if (load != Load::idle)
        zobbench::setAllStagesActive (processor);

    processor.prepareToPlay (hostRate, blockSize);

    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    midi.ensureSize (1024);

    const auto noteInterval = (juce::int64) (0.25 * hostRate); // a note-on every 250 ms
    const auto compareInterval = (juce::int64) (0.1 * hostRate); // compare flips every 100 ms
    juce::int64 time = 0, nextNote = 0, nextCompare = compareInterval;

    for (auto _ : state)
    {
        midi.clear();

        if (load != Load::idle)
        {
            while (nextNote < time + blockSize)
            {
                midi.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 127), (int) (nextNote - time));
                nextNote += noteInterval;
            }
        }

        if (load == Load::compareToggling && nextCompare < time + blockSize)
        {
            processor.compareEnabled = ! processor.compareEnabled.load();
            nextCompare += compareInterval;
        }

        processor.processBlock (buffer, midi);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
        time += blockSize;
    }

    const auto frames = (double) state.iterations() * blockSize;
    state.counters["ns_per_frame"] = benchmark::Counter (frames * 1.0e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime_x"] = benchmark::Counter (frames / hostRate, benchmark::Counter::kIsRate);
}

void processBlockIdle (benchmark::State& state) { runBlocks (state, Load::idle); }
void processBlockAllStagesActive (benchmark::State& state) { runBlocks (state, Load::allStagesActive); }
void processBlockCompareToggling (benchmark::State& state) { runBlocks (state, Load::compareToggling); }
} // namespace

BENCHMARK (processBlockIdle)->Arg (64)->Arg (512);
BENCHMARK (processBlockAllStagesActive)->Arg (64)->Arg (512);
BENCHMARK (processBlockCompareToggling)->Arg (64)->Arg (512);

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    benchmark::Initialize (&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
