#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

#include <vector>

namespace zobtest
{
/** A format whose reader claims whatever rate it is given: JUCE's own readers refuse a rate
    of 0, which other readers may still report. Any file with the extension ".fixedrate"
    reads as the given mono samples (by default 300 samples of 0.5). */
struct FixedRateFormat : juce::AudioFormat
{
    explicit FixedRateFormat (double rateToReport, std::vector<float> samplesToRead = std::vector<float> (300, 0.5f))
        : juce::AudioFormat ("Fixed rate", ".fixedrate"), rate (rateToReport), samples (std::move (samplesToRead)) {}

    juce::Array<int> getPossibleSampleRates() override { return {}; }
    juce::Array<int> getPossibleBitDepths() override { return {}; }
    bool canDoStereo() override { return false; }
    bool canDoMono() override { return true; }

    struct Reader : juce::AudioFormatReader
    {
        Reader (juce::InputStream* in, double rateToReport, const std::vector<float>& samplesToRead)
            : juce::AudioFormatReader (in, "Fixed rate"), samples (samplesToRead)
        {
            sampleRate = rateToReport;
            numChannels = 1;
            bitsPerSample = 32;
            usesFloatingPointData = true;
            lengthInSamples = (juce::int64) samples.size();
        }

        bool readSamples (int* const* dest, int numDest, int startOffset, juce::int64 startSample, int numSamples) override
        {
            for (int c = 0; c < numDest; ++c)
            {
                if (dest[c] == nullptr)
                    continue;

                auto* out = reinterpret_cast<float*> (dest[c]) + startOffset;

                for (int i = 0; i < numSamples; ++i)
                {
                    const auto index = startSample + i;
                    out[i] = index >= 0 && index < (juce::int64) samples.size() ? samples[(size_t) index] : 0.0f;
                }
            }

            return true;
        }

        const std::vector<float>& samples;
    };

    juce::AudioFormatReader* createReaderFor (juce::InputStream* in, bool) override { return new Reader (in, rate, samples); }

    using juce::AudioFormat::createWriterFor;

    juce::AudioFormatWriter* createWriterFor (juce::OutputStream*, double, unsigned int, int, const juce::StringPairArray&, int) override
    {
        return nullptr;
    }

    double rate;
    std::vector<float> samples;
};
} // namespace zobtest
