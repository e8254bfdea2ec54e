#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <cmath>
#include <cstdint>

/** A small deterministic kick-drum synthesiser: a sine body whose pitch sweeps down onto a
    settled note (and, for gliding kicks, keeps falling), an amplitude envelope, a click, a
    noise transient, tanh saturation and, for a played note that ends, a release. Renders
    the factory kicks at build time and the kicks of known pitch that the tests analyse.
    Same recipe, same samples, on every run.
*/
struct KickRecipe
{
    double settledHz = 55.0; // where the body's pitch comes to rest
    double sweepRatio = 4.0; // starting pitch as a multiple of settledHz
    double sweepMs = 35.0; // time constant of the pitch drop
    double glideSemitonesPerSecond = 0.0; // a steady fall on top of the sweep (gliding kicks)
    double decaySeconds = 0.35; // amplitude time constant of the body
    double holdMs = 20.0; // full level before the decay starts
    double clickLevel = 0.0; // 0..1, a few milliseconds of bright click
    double noiseLevel = 0.0; // 0..1, a short noise burst on the attack
    double noiseMs = 8.0;
    double drive = 1.0; // tanh saturation gain (1 is clean)
    double releaseAtSeconds = 0.0; // when the played note ends and its release begins
    double releaseSeconds = 0.0; // time constant of the release (0: none, the body decays on its own)
    double level = 0.9; // peak level of the rendered kick
    double lengthSeconds = 1.0;
    int numChannels = 1;
    std::uint32_t seed = 1; // noise seed
};

inline juce::AudioBuffer<float> renderKick (const KickRecipe& recipe, double sampleRate)
{
    const auto numSamples = juce::jmax (1, (int) std::lround (recipe.lengthSeconds * sampleRate));
    const auto numChannels = juce::jmax (1, recipe.numChannels);
    juce::AudioBuffer<float> buffer (numChannels, numSamples);

    constexpr double twoPi = 6.283185307179586476925286766559;
    const auto fadeOutSamples = juce::jmin (numSamples, (int) (0.03 * sampleRate));

    // A fixed linear congruential generator per channel: bytes identical on every platform.
    std::uint32_t noiseState[2] = { recipe.seed * 2654435761u + 1u, recipe.seed * 40503u + 7u };
    double phase = 0.0, clickPhase = 0.0, noiseLow[2] = {};

    for (int i = 0; i < numSamples; ++i)
    {
        const auto t = i / sampleRate;
        const auto sweep = 1.0 + (recipe.sweepRatio - 1.0) * std::exp (-t * 1000.0 / recipe.sweepMs);
        const auto glide = std::pow (2.0, -recipe.glideSemitonesPerSecond * t / 12.0);
        phase += twoPi * recipe.settledHz * sweep * glide / sampleRate;

        const auto attack = juce::jmin (1.0, t * 1000.0 / 1.5);
        const auto holdSeconds = recipe.holdMs / 1000.0;
        const auto decay = t < holdSeconds ? 1.0 : std::exp (-(t - holdSeconds) / recipe.decaySeconds);
        const auto body = std::sin (phase) * attack * decay;

        clickPhase += twoPi * 3200.0 / sampleRate;
        const auto click = recipe.clickLevel * std::sin (clickPhase) * std::exp (-t * 1000.0 / 1.2);
        const auto fadeOut = i >= numSamples - fadeOutSamples ? (double) (numSamples - i) / fadeOutSamples : 1.0;
        const auto release = recipe.releaseSeconds > 0.0 && t > recipe.releaseAtSeconds
                                 ? std::exp (-(t - recipe.releaseAtSeconds) / recipe.releaseSeconds)
                                 : 1.0;

        for (int channel = 0; channel < numChannels; ++channel)
        {
            auto& state = noiseState[channel % 2];
            state = state * 1664525u + 1013904223u;
            const auto white = (double) (state >> 8) / 8388608.0 - 1.0;
            noiseLow[channel % 2] += 0.35 * (white - noiseLow[channel % 2]);
            const auto noise = recipe.noiseLevel * (white - noiseLow[channel % 2]) * std::exp (-t * 1000.0 / recipe.noiseMs);

            const auto dry = recipe.drive * (body + click + noise);
            buffer.setSample (channel, i, (float) (std::tanh (dry) * release * fadeOut));
        }
    }

    const auto peak = buffer.getMagnitude (0, numSamples);
    if (peak > 0.0f)
        buffer.applyGain ((float) recipe.level / peak);

    return buffer;
}
