// Renders the factory kick set into each folder named on the command line, as WAV files.
// Run by the build; deterministic, so every build writes the same bytes. With --report it
// also prints the key that the pitch analysis finds in each kick.
//   ZobKickSynth [--report] <folder>...

#include "library/FileNames.h"
#include "library/KickPitchAnalysis.h"
#include "tools/KickSynth/FactoryKicks.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <iostream>

namespace
{
bool writeWav (const juce::File& file, const juce::AudioBuffer<float>& buffer, double sampleRate, int bitsPerSample)
{
    file.deleteFile();
    auto stream = file.createOutputStream();
    if (stream == nullptr)
        return false;

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer (
        wav.createWriterFor (stream.get(), sampleRate, (unsigned int) buffer.getNumChannels(), bitsPerSample, {}, 0));

    if (writer == nullptr)
        return false;

    stream.release(); // the writer owns it now
    return writer->writeFromAudioSampleBuffer (buffer, 0, buffer.getNumSamples());
}
} // namespace

int main (int argc, char** argv)
{
    juce::StringArray folders;
    auto report = false;

    for (int i = 1; i < argc; ++i)
    {
        const juce::String argument (argv[i]);
        if (argument == "--report")
            report = true;
        else
            folders.add (argument);
    }

    if (folders.isEmpty())
    {
        std::cerr << "usage: ZobKickSynth [--report] <folder>...\n";
        return 2;
    }

    for (const auto& kick : makeFactoryKicks())
    {
        const auto buffer = renderKick (kick.recipe, kick.sampleRate);

        for (const auto& path : folders)
        {
            const juce::File folder (path);
            if (! folder.createDirectory() || ! writeWav (childFileOf (folder, kick.fileName), buffer, kick.sampleRate, kick.bitsPerSample))
            {
                std::cerr << "ZobKickSynth: cannot write " << kick.fileName << " into " << path << "\n";
                return 1;
            }
        }

        if (report)
        {
            const auto pitch = analyseKick (buffer, kick.sampleRate);
            std::cout << kick.fileName << ": " << (pitch.valid ? pitch.displayText() : juce::String ("--"))
                      << " note " << pitch.note << " " << pitch.hz << " Hz, cents " << pitch.cents
                      << ", settled " << pitch.settled << ", glide " << pitch.glide << "\n";
        }
    }

    return 0;
}
