#include "support/AudioFiles.h"

namespace zobtest
{
juce::AudioBuffer<float> makeSineKick (int numChannels, int numSamples, double sampleRate, double hz, bool spread)
{
    juce::AudioBuffer<float> buffer (numChannels, numSamples);

    for (int channel = 0; channel < numChannels; ++channel)
    {
        const auto level = spread ? 0.8f / (float) (channel + 1) : 0.8f;

        for (int i = 0; i < numSamples; ++i)
        {
            const auto t = (double) i / sampleRate;
            buffer.setSample (channel, i, level * (float) (std::exp (-t * 8.0) * std::sin (juce::MathConstants<double>::twoPi * hz * t)));
        }
    }

    return buffer;
}

bool writeWavFile (const juce::File& file, const juce::AudioBuffer<float>& buffer, double sampleRate, int bitsPerSample)
{
    file.getParentDirectory().createDirectory();
    file.deleteFile();

    auto stream = std::make_unique<juce::FileOutputStream> (file);

    if (! stream->openedOk())
        return false;

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), sampleRate, (unsigned int) buffer.getNumChannels(), bitsPerSample, {}, 0));

    if (writer == nullptr)
        return false;

    stream.release();
    return writer->writeFromAudioSampleBuffer (buffer, 0, buffer.getNumSamples());
}

DecodedAudio readAudioFile (const juce::File& file)
{
    DecodedAudio decoded;
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));

    if (reader == nullptr)
        return decoded;

    decoded.formatName = reader->getFormatName();
    decoded.sampleRate = reader->sampleRate;
    decoded.bitsPerSample = reader->bitsPerSample;
    decoded.usesFloatingPointData = reader->usesFloatingPointData;
    decoded.buffer.setSize ((int) reader->numChannels, (int) reader->lengthInSamples);
    decoded.ok = reader->read (&decoded.buffer, 0, (int) reader->lengthInSamples, 0, true, true);
    return decoded;
}
} // namespace zobtest
