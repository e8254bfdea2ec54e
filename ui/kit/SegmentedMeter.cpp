#include "ui/kit/SegmentedMeter.h"

#include "ui/kit/Palette.h"

#include <cmath>

namespace vyl
{
SegmentedMeter::SegmentedMeter (std::function<float()> source)
    : levelSource (std::move (source))
{
    setInterceptsMouseClicks (false, false);
    startTimer (timerIntervalMs);
}

float SegmentedMeter::targetForLevel (float linearLevel) noexcept
{
    // A NaN or infinite peak (a fault upstream) must not poison the smoothed level for
    // good, so it reads as silence like any other value the meter cannot show.
    if (! std::isfinite (linearLevel) || linearLevel <= silenceThreshold)
        return 0.0f;

    const auto db = juce::jmax (20.0f * std::log10 (linearLevel), floorDb);
    return juce::jlimit (0.0f, 1.0f, (db - floorDb) / -floorDb);
}

void SegmentedMeter::timerCallback()
{
    const auto v = levelSource ? levelSource() : 0.0f;
    const auto target = targetForLevel (v);
    const auto k = target > level ? riseFactor : fallFactor;

    level += (target - level) * k;

    if (level < snapToZeroBelow)
        level = 0.0f;

    repaint();
}

int SegmentedMeter::getLitSegments() const noexcept
{
    return juce::roundToInt (level * (float) numSegments);
}

void SegmentedMeter::paint (juce::Graphics& g)
{
    const auto w = (float) getWidth();
    const auto h = (float) getHeight();

    if (w <= 0.0f || h <= 0.0f)
        return;

    const auto pitch = w / (float) numSegments;
    const auto segmentWidth = juce::jmax (segmentWidthOfPitch * pitch, 1.0f);
    const auto lit = getLitSegments();
    const auto litColour = Palette::accent();
    const auto unlitColour = Palette::outline().brighter (0.18f);

    for (int i = 0; i < numSegments; ++i)
    {
        g.setColour (i < lit ? litColour : unlitColour);
        g.fillRect (juce::Rectangle<float> ((float) i * pitch, 0.0f, segmentWidth, h));
    }
}
} // namespace vyl
