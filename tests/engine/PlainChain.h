#pragma once

// The voice, the three stages and the audio block written out in their plain form: one
// sample after the other, JUCE's own filters with processSample, the C library's tanh and
// exp2, exactly as the sound was first defined. The engine's block-at-a-time code is held
// to these (SampleBySampleTests, AudioBlockReferenceTests).

#include "engine/ApproximatelyEqual.h"
#include "engine/LengthCurve.h"
#include "engine/LoadedSample.h"

#include <juce_dsp/juce_dsp.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace plain
{
inline float lengthEnvelope (float length, double stageValue, double position, int numSamples, double sampleRate)
{
    if (length >= 0.9995f || numSamples <= 0)
        return 1.0f;

    const double hold = std::min (0.25 * numSamples, 0.018 * sampleRate);

    if (position <= hold)
        return 1.0f;

    const double decay = std::max (std::max (numSamples - hold, 1.0) * stageValue, 0.005 * sampleRate);
    const double t = (position - hold) / decay;

    if (t >= 1.0)
        return 0.0f;

    if (t <= 0.0)
        return 1.0f;

    const double s = t * t * (3.0 - 2.0 * t);
    return (float) std::max ((std::exp2 (-7.97262742772967 * s) - 0.003981071705534972) * 1.0039969839853866, 0.0);
}

struct Voice
{
    void prepare (double rate)
    {
        outputRate = rate;
        playing = false;
        position = 0.0;
        sourceStep = 1.0;
        velocity = 1.0f;
        state = 0;
        fade = 1.0f;
        fadeStep = (float) (1.0 / std::max (0.003 * rate, 1.0));
        smoothing = (float) std::clamp (1.0 - std::exp (-1.0 / std::max (0.002 * rate, 1.0)), 0.0001, 1.0);
    }

    int kickLength() const { return kick->buffer.getNumSamples(); }

    float envelope (double at) const { return lengthEnvelope (length, stageValue, at, kickLength(), kick->sampleRate); }

    void start (float v)
    {
        playing = true;
        position = 0.0;
        velocity = std::clamp (v, 0.0f, 1.0f);
        sourceStep = kick->sampleRate / outputRate;
        lengthGain = envelope (0.0);
    }

    void trigger (float v)
    {
        if (state != 0 || playing)
        {
            pendingVelocity = v;
            state = 1;
            return;
        }

        start (v);
        fade = 1.0f;
        state = 0;
    }

    void stop()
    {
        state = 0;
        fade = 1.0f;
        playing = false;
    }

    void setLength (float x)
    {
        length = std::clamp (x, 0.0f, 1.0f);
        stageValue = lengthToStageValue (length);
    }

    float read (int channel, double at) const
    {
        const auto i = (int) at;

        if (at < 0.0 || i >= kickLength())
            return 0.0f;

        const auto* s = kick->buffer.getReadPointer (std::min (channel, kick->buffer.getNumChannels() - 1));
        const auto j = std::min (i + 1, kickLength() - 1);
        return s[i] + (s[j] - s[i]) * (float) (at - i);
    }

    void render (juce::AudioBuffer<float>& out, int startSample, int numSamples)
    {
        if (state == 0 && ! playing)
            return;

        for (int i = 0; i < numSamples; ++i)
        {
            if (state == 1)
            {
                fade -= fadeStep;

                if (fade <= 0.0f)
                {
                    fade = 0.0f;
                    start (pendingVelocity);
                    state = 2;
                }
            }
            else if (state == 2)
            {
                fade += fadeStep;

                if (fade >= 1.0f)
                {
                    fade = 1.0f;
                    state = 0;
                }
            }
            else if ((int) position >= kickLength())
            {
                playing = false;
                return;
            }

            if ((int) position < kickLength())
            {
                const auto left = read (0, position);
                const auto right = kick->buffer.getNumChannels() < 2 ? left : read (1, position);
                lengthGain += (envelope (position) - lengthGain) * smoothing;
                const auto g = velocity * fade * lengthGain;

                if (out.getNumChannels() >= 1)
                    out.getWritePointer (0)[startSample + i] += g * left;

                if (out.getNumChannels() >= 2)
                    out.getWritePointer (1)[startSample + i] += g * right;
            }

            position += pitchRatio * sourceStep;
        }
    }

    const LoadedSample* kick = nullptr;
    double outputRate = 44100.0, position = 0.0, sourceStep = 1.0, pitchRatio = 1.0, stageValue = 60000.0;
    bool playing = false;
    int state = 0;
    float velocity = 1.0f, fade = 1.0f, fadeStep = 1.0f, pendingVelocity = 1.0f;
    float length = 1.0f, lengthGain = 1.0f, smoothing = 1.0f;
};

struct Transient
{
    void prepare (double rate)
    {
        fastCoefficient = (float) std::exp (-1.0 / (rate * 0.004));
        slowCoefficient = (float) std::exp (-1.0 / (rate * 0.025));
        fast = slow = 0.0f;
    }

    void process (juce::AudioBuffer<float>& buffer)
    {
        for (int i = 0; i < buffer.getNumSamples(); ++i)
        {
            float p = 0.0f;

            for (int c = 0; c < buffer.getNumChannels(); ++c)
                p = std::max (p, std::abs (buffer.getSample (c, i)));

            fast = fastCoefficient * fast + (1.0f - fastCoefficient) * (p * p);
            slow = slowCoefficient * slow + (1.0f - slowCoefficient) * (p * p);

            if (amount <= 0.0001f)
                continue;

            if (! std::isfinite (fast) || ! std::isfinite (slow))
                fast = slow = 0.0f;

            const auto a = std::sqrt (fast);
            const auto b = std::sqrt (slow);
            const auto rise = std::clamp (a / (b + 0.001f) - 1.0f, 0.0f, 2.0f);
            const auto presence = std::clamp (a / 0.01f, 0.0f, 1.0f);
            const auto gain = 1.0f + amount * 1.3f * rise * presence;

            for (int c = 0; c < buffer.getNumChannels(); ++c)
                buffer.getWritePointer (c)[i] *= gain;
        }
    }

    float amount = 0.0f, fastCoefficient = 0.0f, slowCoefficient = 0.0f, fast = 0.0f, slow = 0.0f;
};

using Filter = juce::dsp::IIR::Filter<float>;
using Shelves = juce::dsp::IIR::ArrayCoefficients<float>;

inline void prepareUnityShelf (Filter& filter, double rate)
{
    filter.coefficients = new juce::dsp::IIR::Coefficients<float> (Shelves::makeLowShelf (rate, 1000.0f, 0.707f, 1.0f));
    filter.reset();
}

struct Punch
{
    void prepare (double r)
    {
        rate = r;

        for (auto& f : filters)
            prepareUnityShelf (f, rate);

        lastGainDb = std::numeric_limits<float>::quiet_NaN();
    }

    void process (juce::AudioBuffer<float>& buffer)
    {
        if (amount <= 0.0001f)
        {
            for (auto& f : filters)
                f.reset();

            return;
        }

        const auto gainDb = 6.0f * amount;

        if (! zob::approximatelyEqual (gainDb, lastGainDb))
        {
            for (auto& f : filters)
                *f.coefficients = Shelves::makeLowShelf (rate, 90.0f, 0.707f, std::pow (10.0f, gainDb * 0.05f));

            lastGainDb = gainDb;
        }

        for (int c = 0; c < std::min (buffer.getNumChannels(), 2); ++c)
        {
            for (int i = 0; i < buffer.getNumSamples(); ++i)
            {
                const auto x = buffer.getSample (c, i);
                const auto y = x + amount * (std::tanh (3.5f * filters[(size_t) c].processSample (x)) / std::tanh (3.5f) - x);
                buffer.setSample (c, i, y);
            }
        }
    }

    double rate = 44100.0;
    float amount = 0.0f, lastGainDb = 0.0f;
    std::array<Filter, 2> filters;
};

/** TONE; in floats as the stage runs, or with the same shelves in doubles, which shows how
    far the float filters' own rounding takes the sound. */
template <typename Sample>
struct ToneIn
{
    using SampleFilter = juce::dsp::IIR::Filter<Sample>;
    using SampleShelves = juce::dsp::IIR::ArrayCoefficients<Sample>;

    void prepare (double r)
    {
        rate = r;

        for (size_t c = 0; c < 2; ++c)
        {
            for (auto* filter : { &low[c], &high[c] })
            {
                filter->coefficients = new juce::dsp::IIR::Coefficients<Sample> (SampleShelves::makeLowShelf (rate, 1000, (Sample) 0.707f, 1));
                filter->reset();
            }
        }

        lastTone = std::numeric_limits<float>::quiet_NaN();
    }

    void process (juce::AudioBuffer<float>& buffer)
    {
        if (zob::approximatelyEqual (tone, 0.0f))
        {
            for (size_t c = 0; c < 2; ++c)
            {
                low[c].reset();
                high[c].reset();
            }

            return;
        }

        if (! zob::approximatelyEqual (tone, lastTone))
        {
            const auto gainDb = 6.0f * tone;

            for (size_t c = 0; c < 2; ++c)
            {
                *low[c].coefficients = SampleShelves::makeLowShelf (rate, 700, (Sample) 0.707f, (Sample) std::pow (10.0f, -gainDb * 0.05f));
                *high[c].coefficients = SampleShelves::makeHighShelf (rate, 700, (Sample) 0.707f, (Sample) std::pow (10.0f, gainDb * 0.05f));
            }

            lastTone = tone;
        }

        for (int c = 0; c < std::min (buffer.getNumChannels(), 2); ++c)
            for (int i = 0; i < buffer.getNumSamples(); ++i)
                buffer.setSample (c, i, (float) high[(size_t) c].processSample (low[(size_t) c].processSample ((Sample) buffer.getSample (c, i))));
    }

    double rate = 44100.0;
    float tone = 0.0f, lastTone = 0.0f;
    std::array<SampleFilter, 2> low, high;
};

using Tone = ToneIn<float>;

/** The parameters' raw values and the compare switch, as processBlock reads them. */
struct BlockControls
{
    float transient = 0.0f, punch = 0.0f, length = 1.0f, tone = 0.0f, tune = 0.0f, outputDb = 0.0f;
    bool compare = false;
};

struct BlockEvent
{
    int position;
    bool stops; // all notes off or all sound off; otherwise a note-on
    float velocity;
};

/** The audio block of the processor over the plain voice and stages: the compare fade,
    LENGTH and TUNE, the voice with its events, the OUTPUT gain, the effect chain (in
    8-sample steps while the fade moves) and the soft clipper. */
template <typename ToneSample = float>
struct AudioBlockWith
{
    void prepare (const LoadedSample& kick, double rate)
    {
        voice.kick = &kick;
        voice.prepare (rate);
        transient.prepare (rate);
        punch.prepare (rate);
        tone.prepare (rate);
        hostRate = rate;
    }

    void process (juce::AudioBuffer<float>& buffer, const std::vector<BlockEvent>& events, const BlockControls& controls)
    {
        juce::ScopedNoDenormals noDenormals;
        const auto n = buffer.getNumSamples();
        buffer.clear();

        const auto target = controls.compare ? 0.0f : 1.0f;
        const auto step = (float) (n / std::max (0.08 * hostRate, 1.0));
        wet = target > wet ? std::min (wet + step, target) : std::max (wet - step, target);

        voice.setLength ((1.0f - wet) * (1.0f - controls.length) + controls.length);
        voice.pitchRatio = std::pow (2.0, (double) controls.tune / 12.0);

        auto position = 0;

        for (const auto& event : events)
        {
            const auto t = std::clamp (event.position, 0, n);

            if (t > position)
            {
                voice.render (buffer, position, t - position);
                position = t;
            }

            if (event.stops)
                voice.stop();
            else
                voice.trigger (event.velocity);
        }

        if (position < n)
            voice.render (buffer, position, n - position);

        const auto db = controls.outputDb;
        const auto gain = db <= -59.9f || ! (db > -100.0f) ? 0.0f : std::pow (10.0f, db * 0.05f);

        if (zob::approximatelyEqual (wet, previousWet))
        {
            chain (buffer, previousGain, gain, wet, controls);
        }
        else
        {
            for (int o = 0; o < n; o += 8)
            {
                const auto m = std::min (8, n - o);
                const auto a = (float) o / (float) n;
                const auto b = (float) (o + m) / (float) n;
                juce::AudioBuffer<float> part (buffer.getArrayOfWritePointers(), buffer.getNumChannels(), o, m);
                chain (part,
                       previousGain + (gain - previousGain) * a,
                       previousGain + (gain - previousGain) * b,
                       previousWet + (wet - previousWet) * b,
                       controls);
            }
        }

        previousWet = wet;
        previousGain = gain;
    }

    void chain (juce::AudioBuffer<float>& buffer, float gainStart, float gainEnd, float wetness, const BlockControls& controls)
    {
        const auto d = std::clamp (wetness, 0.0f, 1.0f);
        transient.amount = std::clamp (controls.transient * d, 0.0f, 1.0f);
        transient.process (buffer);
        punch.amount = std::clamp (controls.punch * d, 0.0f, 1.0f);
        punch.process (buffer);
        tone.tone = std::clamp (controls.tone * d, -1.0f, 1.0f);
        tone.process (buffer);

        if (zob::approximatelyEqual (gainStart, gainEnd))
            buffer.applyGain (gainEnd);
        else
            buffer.applyGainRamp (0, buffer.getNumSamples(), gainStart, gainEnd);

        for (int c = 0; c < buffer.getNumChannels(); ++c)
            for (int i = 0; i < buffer.getNumSamples(); ++i)
                buffer.setSample (c, i, softClip (buffer.getSample (c, i)));
    }

    static float softClip (float x)
    {
        const auto k = 1.0f - 0.9f;
        return std::abs (x) <= 0.9f ? x : std::copysign (0.9f + k * std::tanh ((std::abs (x) - 0.9f) / k), x);
    }

    Voice voice;
    Transient transient;
    Punch punch;
    ToneIn<ToneSample> tone;
    double hostRate = 44100.0;
    float wet = 1.0f, previousWet = 1.0f, previousGain = 1.0f;
};
using AudioBlock = AudioBlockWith<float>;
} // namespace plain
