// Entry point of every benchmark program: a private HOME and TMPDIR (as the test programs
// have), so a benchmark never reads or writes the real per-user files, then JUCE's message
// manager, then the benchmarks the command line selects.

#include "support/TestEnvironment.h"

#include <benchmark/benchmark.h>
#include <juce_events/juce_events.h>

int main (int argc, char** argv)
{
    benchmark::Initialize (&argc, argv);

    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;

    zobtest::isolateProcessFolders();

    {
        juce::ScopedJuceInitialiser_GUI juce;
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }

    zobtest::removeProcessFolders();
    return 0;
}
