#pragma once

#include "engine/ParameterIds.h"
#include "engine/ZobAudioProcessor.h"
#include "support/SyntheticKick.h"

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

/** The synthetic stereo kick of the tests (a falling sine sweep with a short click, 1 s at
    44.1 kHz), put straight into the processor's loaded kick. */
inline void loadSyntheticKick (ZobAudioProcessor& processor, double rate = 44100.0, double seconds = 1.0)
{
    zobtest::fillSyntheticKick (processor.loadedSample, rate, seconds);
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
