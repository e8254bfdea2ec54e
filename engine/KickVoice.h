#pragma once

#include "engine/LastResult.h"
#include "engine/LengthCurve.h"
#include "engine/LoadedSample.h"

#include <juce_audio_basics/juce_audio_basics.h>

/** The one-shot player of the loaded kick.

    Every trigger starts the kick from its first sample; it runs through the kick once, at a
    speed set by the kick's own rate, the output rate and `pitchRatio`, and stops by itself at
    the end. A trigger while the kick still sounds fades the old sound out over 3 ms, restarts
    and fades in over 3 ms. The LENGTH envelope holds the attack, then falls by 48 dB along a
    smoothstep to exactly zero.

    The processor owns one voice and points `sample` at its loaded kick in prepareToPlay; the
    offline render makes a voice of its own. Threads: the processor's voice is prepared from
    prepareToPlay while no block runs; renderNextBlock, trigger, stop, setLengthPosition and
    the `pitchRatio` write happen on the audio thread only, under the sample lock; the loader
    calls stop on the message thread while it holds that lock. No field is atomic. Nothing
    here allocates, locks, or touches files.
*/
struct KickVoice
{
    /** The LENGTH envelope: a gain over the kick's read position. */
    struct LengthEnvelope
    {
        /** The envelope's gain at a read position (in samples of the kick); numSamples and
            sampleRate are the kick's own. Exactly 1 when `length` is at or above
            lengthEnvelopeOffThreshold. */
        float getGain (double position, int numSamples, double sampleRate) const noexcept;

        /** The envelope over one kick, with all that does not depend on the read position
            worked out once; gainAt gives exactly what getGain gives. */
        struct Shape
        {
            Shape (const LengthEnvelope& envelope, int numSamples, double sampleRate) noexcept;

            float gainAt (double position) const noexcept;

            /** gains[k] = gainAt (positions[k]) for count read positions, with the decay's
                exp2 taken in one vector pass (see VectorMath.h): the same gains up to the
                last bit of that exp2. */
            void gainsAt (const double* positions, float* gains, int count) const noexcept;

            bool off; // the envelope is 1 throughout
            double hold = 0.0; // read position up to which the attack is kept
            double decay = 1.0; // samples from the hold to silence
        };

        float length = 1.0f; // normalised LENGTH position 0..1
        double stageValue = 60000.0; // lengthToStageValue (length)
    };

    /** Sets the output rate (44100 when not above 0) and returns to idle. */
    void prepare (double sampleRate) noexcept;

    /** Starts the kick at once from its first sample; velocity is clamped to 0..1. */
    void start (float velocity) noexcept;

    /** The note-on rule: starts an idle voice at once, otherwise fades the sounding kick out
        and restarts it at this velocity. */
    void trigger (float velocity) noexcept;

    /** Silence from now on; a pending restart is dropped. */
    void stop() noexcept;

    /** Sets the LENGTH position (clamped to 0..1) and returns its stage value. */
    double setLengthPosition (float lengthPosition) noexcept;

    /** The kick's channel (clamped to its channels) at a fractional read position, linearly
        interpolated; 0 before the start, at or past the end and without a kick. */
    float getInterpolatedSample (int channel, double position) const noexcept;

    /** Adds the voice's output into out from startSample on, for numSamples samples; never
        clears out. A mono kick feeds both outputs; only out's channels 0 and 1 are written. */
    void renderNextBlock (juce::AudioBuffer<float>& out, int startSample, int numSamples) noexcept;

    const LoadedSample* sample = nullptr; // not owned
    double outputSampleRate = 44100.0;
    double position = 0.0; // read position in samples of the kick
    bool playing = false;
    double sourceStep = 1.0; // kick rate / output rate, fixed at each start
    double pitchRatio = 1.0; // 2^(TUNE / 12), written before every block
    float velocity = 1.0f; // level of the current run, 0..1
    int32_t retriggerState = 0; // one of the RetriggerState values
    float fade = 1.0f; // retrigger crossfade gain, 0..1
    float fadeStep = 1.0f; // change of fade per output sample
    float pendingVelocity = 1.0f; // velocity of the restart that follows a fade-out
    LengthEnvelope lengthEnvelope;
    float lengthGain = 1.0f; // smoothed envelope gain
    float lengthGainCoefficient = 1.0f; // one-pole smoothing coefficient of lengthGain

    enum RetriggerState : int32_t
    {
        steady = 0,
        fadingOut = 1, // the old sound fades out before the restart
        fadingIn = 2 // the restarted kick fades in
    };

    zob::LastResult<float, double> lengthCurve; // lengthToStageValue of the last position, set every block

    static constexpr double retriggerFadeSeconds = 0.003;
    static constexpr int renderChunk = 128; // samples whose positions and gains are worked out at once
    static constexpr double lengthSmoothingSeconds = 0.002;
};
