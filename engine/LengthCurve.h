#pragma once

/** The LENGTH curve: the mapping between the normalised LENGTH position (0..1) and the
    stage value of the kick's length envelope (the decay length as a multiple of the kick's
    length after its hold), and its inverse.

    Pure functions, safe on every thread. The envelope (KickVoice::LengthEnvelope), the
    saved-state migration and the randomise table all go through them.
*/

/** From this LENGTH position on the envelope is off: the kick plays at its full length. */
constexpr float lengthEnvelopeOffThreshold = 0.9995f;

/** Stage value of a LENGTH position: 0.136 at 0, rising exponentially to 6 at 0.92, then
    steeply to 60000 at 1. The position is clamped to 0..1 (NaN counts as 0). */
double lengthToStageValue (float lengthPosition) noexcept;

/** LENGTH position of a stage value, the inverse of lengthToStageValue. Values at or below 0
    (and NaN) give 0; the result always stays below lengthEnvelopeOffThreshold. */
float stageValueToLength (double stageValue) noexcept;
