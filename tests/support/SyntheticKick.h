#pragma once

#include "engine/LoadedSample.h"

#include <cmath>

namespace zobtest
{
/** The benchmarks' kick, also used by the tests that hold the audio block to its plain form:
    a stereo falling sine sweep with a short click, 1 s at 44.1 kHz unless told otherwise. */
inline void fillSyntheticKick (LoadedSample& kick, double rate = 44100.0, double seconds = 1.0)
{
    const auto length = (int) (rate * seconds);
    auto& buffer = kick.buffer;
    buffer.setSize (2, length);
    double phase = 0.0;

    for (int i = 0; i < length; ++i)
    {
        const auto t = i / rate;
        const auto frequency = 50.0 + 200.0 * std::exp (-t * 30.0);
        phase += 2.0 * juce::MathConstants<double>::pi * frequency / rate;
        const auto level = std::exp (-t * 4.0) * 0.8;
        const auto click = i < 64 ? 0.3 * (1.0 - i / 64.0) : 0.0;
        buffer.setSample (0, i, (float) (level * std::sin (phase) + click));
        buffer.setSample (1, i, (float) (level * std::sin (phase + 0.1) + click));
    }

    kick.sampleRate = rate;
    kick.fileName = "Synthetic.wav";
}
} // namespace zobtest
