// What the message thread waits for when a kick file is chosen or dropped onto the window:
// the load with its pitch analysis (ZobAudioProcessor::loadSample) and the import's check
// (isDecodableKickFile), for a real kick and for the costliest tiny hostile files known,
// each a 64-frame kick followed by a metadata chunk that claims far more than the file
// holds (the shapes kept in fuzz/corpus/KickFile as "slow-..."):
// - Kick: a 1 s stereo 24-bit kick at 44.1 kHz;
// - LoopsFromNothing, CuePointsFromNothing: a sampler or cue chunk cut short after 300 bytes
//   that claims 1 MiB and 0x5a5a5a5a loops or cue points;
// - MarkersFromNothing: the same with an AIFF marker chunk of 0x5a5a markers;
// - LabelListPastTheEnd: a list of cue labels that runs past the end of the file.
// Run: build/HostileKickFileBenchmark
#include "engine/ZobAudioProcessor.h"
#include "library/UserKickImport.h"
#include "support/AudioFileBytes.h"
#include "tools/KickSynth/KickSynthesiser.h"

#include <benchmark/benchmark.h>

namespace
{
using zobtest::ByteWriter;

/** The first 64 frames of a kick, as 16-bit samples in the given byte order. */
juce::MemoryBlock kickStart (bool bigEndian)
{
    ByteWriter w;

    for (auto sample : zobtest::makeKickSamples (44100.0, 64.0 / 44100.0))
    {
        const auto value = (juce::uint32) (juce::uint16) (juce::int16) juce::roundToInt (sample * 32767.0f);
        bigEndian ? w.be16 (value) : w.le16 (value);
    }

    return w.bytes;
}

/** A 64-frame mono WAV kick, then a chunk that claims `claimed` bytes of which `present` made it. */
juce::MemoryBlock wavCutShort (const char* type, juce::uint32 claimed, const juce::MemoryBlock& present)
{
    const auto samples = kickStart (false);
    ByteWriter chunks;
    chunks.text ("WAVE").text ("fmt ").le32 (16).le16 (1).le16 (1).le32 (44100).le32 (88200).le16 (2).le16 (16);
    chunks.text ("data").le32 ((juce::uint32) samples.getSize()).raw (samples);
    chunks.text (type).le32 (claimed).raw (present);
    return ByteWriter().text ("RIFF").le32 ((juce::uint32) chunks.bytes.getSize() + claimed).raw (chunks.bytes).bytes;
}

/** The same as an AIFF file. */
juce::MemoryBlock aiffCutShort (const char* type, juce::uint32 claimed, const juce::MemoryBlock& present)
{
    const auto samples = kickStart (true);
    ByteWriter chunks;
    chunks.text ("AIFF").text ("COMM").be32 (18).be16 (1).be32 (64).be16 (16).be16 (0x400e).be32 (0xac440000).zeros (4);
    chunks.text ("SSND").be32 ((juce::uint32) samples.getSize() + 8).zeros (8).raw (samples);
    chunks.text (type).be32 (claimed).raw (present);
    return ByteWriter().text ("FORM").be32 ((juce::uint32) chunks.bytes.getSize() + claimed).raw (chunks.bytes).bytes;
}

juce::MemoryBlock filled (size_t size)
{
    return juce::MemoryBlock (std::vector<char> (size, 0x5a).data(), size);
}

juce::File writeKick (const juce::String& name, const juce::MemoryBlock& bytes)
{
    auto file = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile (name);
    file.replaceWithData (bytes.getData(), bytes.getSize());
    return file;
}

juce::File writeRealKick()
{
    KickRecipe recipe;
    recipe.clickLevel = 0.3;
    recipe.numChannels = 2;
    const auto kick = renderKick (recipe, 44100.0);

    auto file = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("Kick.wav");
    file.deleteFile();
    auto stream = std::make_unique<juce::FileOutputStream> (file);
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), 44100.0, 2, 24, {}, 0));
    stream.release();
    writer->writeFromAudioSampleBuffer (kick, 0, kick.getNumSamples());
    return file;
}

void chooseAndImport (benchmark::State& state, const juce::File& file)
{
    ZobAudioProcessor processor;

    for (auto _ : state)
    {
        benchmark::DoNotOptimize (processor.loadSample (file));
        benchmark::DoNotOptimize (isDecodableKickFile (file));
    }

    state.SetLabel ((juce::String (file.getSize()) + " bytes").toStdString());
}

void Kick (benchmark::State& state)
{
    chooseAndImport (state, writeRealKick());
}

void LoopsFromNothing (benchmark::State& state)
{
    chooseAndImport (state, writeKick ("Loops.wav", wavCutShort ("smpl", 1024 * 1024, filled (300))));
}

void CuePointsFromNothing (benchmark::State& state)
{
    chooseAndImport (state, writeKick ("Cue points.wav", wavCutShort ("cue ", 1024 * 1024, filled (300))));
}

void MarkersFromNothing (benchmark::State& state)
{
    chooseAndImport (state, writeKick ("Markers.aif", aiffCutShort ("MARK", 1024 * 1024, filled (300))));
}

void LabelListPastTheEnd (benchmark::State& state)
{
    const auto labels = ByteWriter().text ("adtl").text ("labl").le32 (8).zeros (8).bytes;
    chooseAndImport (state, writeKick ("Labels.wav", wavCutShort ("LIST", 4000, labels)));
}
} // namespace

BENCHMARK (Kick)->Unit (benchmark::kMillisecond);
BENCHMARK (LoopsFromNothing)->Unit (benchmark::kMillisecond);
BENCHMARK (CuePointsFromNothing)->Unit (benchmark::kMillisecond);
BENCHMARK (MarkersFromNothing)->Unit (benchmark::kMillisecond);
BENCHMARK (LabelListPastTheEnd)->Unit (benchmark::kMillisecond);
