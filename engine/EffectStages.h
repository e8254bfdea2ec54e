#pragma once

#include "engine/PunchStage.h"
#include "engine/ToneStage.h"
#include "engine/TransientStage.h"

/** Readies the three stages of the effect chain for a sample rate, each starting from
    silence. The audio block's stages and the offline render's own are prepared this way. */
inline void prepareEffectStages (double sampleRate, TransientStage& transient, PunchStage& punch, ToneStage& tone)
{
    transient.prepare (sampleRate);
    punch.prepare (sampleRate);
    tone.prepare (sampleRate);
}
