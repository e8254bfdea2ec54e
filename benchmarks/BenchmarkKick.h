#pragma once

#include "engine/ParameterIds.h"
#include "engine/ZobAudioProcessor.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>

namespace zobbench
{
/** Ends the benchmark's line with "<ns> ns/frame, <factor>x real time" for frames of audio
    at rate processed in seconds of wall time. A label rather than counters: the console
    prints counters with unit prefixes ("4.9k", "86.1s"). */
inline void labelFrameCost (benchmark::State& state, double frames, double rate, double seconds)
{
    char label[64];
    std::snprintf (label, sizeof (label), "%.1f ns/frame, %.0fx real time", seconds * 1.0e9 / frames, (frames / rate) / seconds);
    state.SetLabel (label);
}

/** A synthetic stereo kick: a falling sine sweep with a short click, 1 s at 44.1 kHz. */
inline void loadSyntheticKick (ZobAudioProcessor& processor, double rate = 44100.0, double seconds = 1.0)
{
    const auto length = (int) (rate * seconds);
    auto& buffer = processor.loadedSample.buffer;
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

    processor.loadedSample.sampleRate = rate;
    processor.loadedSample.fileName = "Synthetic.wav";
}

inline void setParameter (ZobAudioProcessor& processor, const juce::String& id, float value)
{
    auto* parameter = processor.parameters.getParameter (id);
    parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
}

/** Every stage active: TRANSIENT 0.7, PUNCH 0.75, LENGTH 0.5, TONE 0.5, TUNE +3, OUTPUT -6 dB. */
inline void setAllStagesActive (ZobAudioProcessor& processor)
{
    setParameter (processor, ParameterIds::transientAmount, 0.7f);
    setParameter (processor, ParameterIds::punchAmount, 0.75f);
    setParameter (processor, ParameterIds::lengthAmount, 0.5f);
    setParameter (processor, ParameterIds::toneAmount, 0.5f);
    setParameter (processor, ParameterIds::tuneSemitones, 3.0f);
    setParameter (processor, ParameterIds::outputGainDb, -6.0f);
}
} // namespace zobbench
