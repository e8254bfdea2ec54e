#include "engine/LengthCurve.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double shortestStageValue = 0.136; // at LENGTH 0
constexpr double kneeStageValue = 6.0; // at the knee
constexpr double kneePosition = 0.92;
constexpr double kneeSpan = 1.0 - kneePosition; // 0.07999999999999996
constexpr double kneeRatio = kneeStageValue / shortestStageValue; // 44.11764705882353
constexpr double smallestRemainder = 0.0001; // caps the stage value at 6 / 0.0001 = 60000

// The inverse never reaches the envelope's off threshold, so a converted value keeps its envelope.
constexpr double longestConvertedPosition = (double) lengthEnvelopeOffThreshold - 0.0001;
} // namespace

double lengthToStageValue (float lengthPosition) noexcept
{
    const auto x = lengthPosition > 0.0f ? (double) std::min (lengthPosition, 1.0f) : 0.0;

    if (x <= kneePosition)
        return shortestStageValue * std::pow (kneeRatio, x / kneePosition);

    return kneeStageValue / std::max (1.0 - (x - kneePosition) / kneeSpan, smallestRemainder);
}

float stageValueToLength (double stageValue) noexcept
{
    if (! (stageValue > 0.0))
        return 0.0f;

    if (stageValue <= kneeStageValue)
        return (float) std::clamp (kneePosition * std::log (stageValue / shortestStageValue) / std::log (kneeRatio), 0.0, kneePosition);

    return (float) std::clamp (kneePosition + kneeSpan * (1.0 - kneeStageValue / stageValue), kneePosition, longestConvertedPosition);
}
