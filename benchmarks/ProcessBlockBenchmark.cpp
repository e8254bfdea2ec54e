// The audio block's cost per sample frame and its real-time factor at 48 kHz, on one core:
//   taskset -c 2 build/ProcessBlockBenchmark --benchmark_min_time=1
// Each line ends with "<ns> ns/frame, <factor>x real time" (also in the JSON output's label).

#include "BenchmarkKick.h"

#include <benchmark/benchmark.h>
#include <juce_events/juce_events.h>

#include <chrono>

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

    const auto started = std::chrono::steady_clock::now();

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

    const auto seconds = std::chrono::duration<double> (std::chrono::steady_clock::now() - started).count();
    const auto frames = (double) state.iterations() * blockSize;
    zobbench::labelFrameCost (state, frames, hostRate, seconds);
}

void processBlockIdle (benchmark::State& state) { runBlocks (state, Load::idle); }
void processBlockAllStagesActive (benchmark::State& state) { runBlocks (state, Load::allStagesActive); }
void processBlockCompareToggling (benchmark::State& state) { runBlocks (state, Load::compareToggling); }
} // namespace

BENCHMARK (processBlockIdle)->Arg (64)->Arg (512);
BENCHMARK (processBlockAllStagesActive)->Arg (64)->Arg (512);
BENCHMARK (processBlockCompareToggling)->Arg (64)->Arg (512);
