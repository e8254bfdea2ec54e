// The cost of opening the editor: the editor and its canvas built on a processor that holds a
// kick, with 25 user kicks listed, and its first full paint at 100 % (the background texture
// is generated then), into a software image as the window's first frame. Target: under 50 ms.
// Run: build/EditorBenchmark (it needs an X display: xvfb-run -a build/EditorBenchmark)
#include "engine/ZobAudioProcessor.h"
#include "library/KickFolders.h"
#include "tools/KickSynth/KickSynthesiser.h"
#include "ui/editor/ZobAudioProcessorEditor.h"

#include <benchmark/benchmark.h>

namespace
{
juce::File writeKick (const juce::File& file, double hz)
{
    KickRecipe recipe;
    recipe.settledHz = hz;
    recipe.lengthSeconds = 1.0;
    const auto kick = renderKick (recipe, 44100.0);

    file.getParentDirectory().createDirectory();
    juce::WavAudioFormat wav;
    auto stream = std::make_unique<juce::FileOutputStream> (file);
    std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), 44100.0, (unsigned int) kick.getNumChannels(), 24, {}, 0));

    if (writer != nullptr)
    {
        stream.release();
        writer->writeFromAudioSampleBuffer (kick, 0, kick.getNumSamples());
    }

    return file;
}

void BM_OpenEditorAndPaintFirstFrame (benchmark::State& state)
{
    const auto userKicks = getUserKicksFolder();

    for (int i = 0; i < 25; ++i)
        writeKick (userKicks.getChildFile ("Kick " + juce::String (i + 1) + ".wav"), 40.0 + i * 3.0);

    ZobAudioProcessor processor;
    processor.loadSample (userKicks.getChildFile ("Kick 1.wav"));
    juce::Image frame (juce::Image::ARGB, 400, 710, true, juce::SoftwareImageType());

    for (auto _ : state)
    {
        std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditor());
        juce::Graphics g (frame);
        editor->paintEntireComponent (g, true);
        benchmark::DoNotOptimize (frame.getPixelAt (200, 424));
    }
}
} // namespace

BENCHMARK (BM_OpenEditorAndPaintFirstFrame)->Unit (benchmark::kMillisecond);
