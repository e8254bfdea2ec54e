#include "UiTestHelpers.h"
#include "ui/kit/Palette.h"
#include "ui/kit/SegmentedMeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST (SegmentedMeter, RisesFastAndFallsSlowly)
{
    float source = 1.0f;
    vyl::SegmentedMeter meter ([&source]
                               { return source; });

    const float rising[] = { 0.6f, 0.84f, 0.936f, 0.9744f };
    for (const auto expected : rising)
    {
        meter.timerCallback();
        EXPECT_NEAR (meter.getLevel(), expected, 1.0e-5f);
    }

    while (meter.getLevel() < 27.5f / 28.0f)
        meter.timerCallback();
    EXPECT_EQ (meter.getLitSegments(), 28);

    for (int i = 0; i < 40; ++i)
        meter.timerCallback();
    EXPECT_FLOAT_EQ (meter.getLevel(), 1.0f);

    // Silence: 12 % of the remaining distance per tick, then a snap to 0 after 51 ticks.
    source = 0.0f;
    meter.timerCallback();
    EXPECT_NEAR (meter.getLevel(), 0.88f, 1.0e-6f);

    int ticks = 1;
    while (meter.getLevel() > 0.0f && ticks < 100)
    {
        meter.timerCallback();
        ++ticks;
    }
    EXPECT_EQ (ticks, 51);
    EXPECT_EQ (meter.getLitSegments(), 0);
}

TEST (SegmentedMeter, TargetIsLinearInDecibels)
{
    struct Case
    {
        float linear, target;
    };
    const Case cases[] = {
        { 1.0f, 1.0f },
        { 2.0f, 1.0f },
        { 0.5f, 0.874579f },
        { 0.0039f, 0.0f },
        { 0.00398107f, 0.0f },
        { 1.0e-6f, 0.0f },
        { 0.0f, 0.0f },
        { -0.5f, 0.0f },
    };

    for (const auto& c : cases)
        EXPECT_NEAR (vyl::SegmentedMeter::targetForLevel (c.linear), c.target, 1.0e-5f) << c.linear;

    float source = 0.5f;
    vyl::SegmentedMeter meter ([&source]
                               { return source; });
    for (int i = 0; i < 60; ++i)
        meter.timerCallback();
    EXPECT_EQ (meter.getLitSegments(), 24); // 24.49 rounds to 24
}

TEST (SegmentedMeter, NonFiniteLevelsReadAsSilenceAndNeverStick)
{
    for (const auto bad : { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity() })
    {
        float source = 1.0f;
        vyl::SegmentedMeter meter ([&source]
                                   { return source; });
        meter.timerCallback();
        meter.timerCallback();

        source = bad;
        meter.timerCallback();
        EXPECT_TRUE (std::isfinite (meter.getLevel()));
        EXPECT_NEAR (meter.getLevel(), 0.84f * 0.88f, 1.0e-5f); // falls as for silence

        source = 1.0f; // the meter recovers as soon as the source does
        meter.timerCallback();
        EXPECT_GT (meter.getLevel(), 0.84f * 0.88f);
        EXPECT_LE (meter.getLevel(), 1.0f);
    }
}

TEST (SegmentedMeter, EmptySourceIsSilenceAndClicksPassThrough)
{
    vyl::SegmentedMeter meter ({});
    meter.timerCallback();
    EXPECT_EQ (meter.getLevel(), 0.0f);
    EXPECT_TRUE (meter.isTimerRunning());
    EXPECT_EQ (meter.getTimerInterval(), 33);

    bool clicks = true, childClicks = true;
    meter.getInterceptsMouseClicks (clicks, childClicks);
    EXPECT_FALSE (clicks);
    EXPECT_FALSE (childClicks);
}

TEST (SegmentedMeter, LightsSegmentsFromTheLeft)
{
    for (const auto dark : { true, false })
    {
        const zobtest::ScopedScheme scheme (dark);
        float source = 0.5f;
        vyl::SegmentedMeter meter ([&source]
                                   { return source; });
        meter.setBounds (0, 0, 246, 9);
        for (int i = 0; i < 60; ++i)
            meter.timerCallback();

        const auto image = zobtest::render (meter, juce::Colours::black);
        zobtest::saveSnapshot (image, dark ? "meter-dark" : "meter-light");

        const auto pitch = 246.0f / 28.0f;
        const auto unlit = juce::Colour (dark ? 0xff5f5952u : 0xff585853u);
        for (int i = 0; i < 28; ++i)
        {
            const auto centre = image.getPixelAt ((int) ((float) i * pitch + 2.9f), 4);
            EXPECT_EQ (centre, i < 24 ? vyl::Palette::accent() : unlit) << i;
        }

        // The gap after each segment (5.80 px wide) shows what lies beneath.
        EXPECT_EQ (image.getPixelAt ((int) (pitch + 7.5f), 4), juce::Colours::black);
        EXPECT_EQ (image.getPixelAt (245, 4), juce::Colours::black); // 2.99 px short of the edge
    }
}

TEST (SegmentedMeter, NarrowMeterOverlapsSegmentsOfTheMinimumWidth)
{
    // 10 px wide: a pitch of 0.36 px, every segment 1 px wide, together covering the meter.
    const zobtest::ScopedScheme scheme (true);
    vyl::SegmentedMeter meter ({});
    meter.setBounds (0, 0, 10, 9);
    const auto image = zobtest::render (meter, juce::Colours::black);

    for (int x = 0; x < 10; ++x)
        EXPECT_LE (zobtest::colourDistance (image.getPixelAt (x, 4), juce::Colour (0xff5f5952u)), 3) << x;
}

TEST (SegmentedMeter, SegmentsAreTwoThirdsOfTheirPitchWide)
{
    // Fully lit over black on the 246 px meter: the accent's red channel (0xec) measures how
    // much of each pixel column a segment covers. Segment i spans i x 8.786 px to 5.799 px
    // further on, then leaves a gap of 2.987 px.
    const zobtest::ScopedScheme scheme (true);
    vyl::SegmentedMeter meter ([]
                               { return 1.0f; });
    meter.setBounds (0, 0, 246, 9);
    for (int i = 0; i < 60; ++i)
        meter.timerCallback();
    ASSERT_EQ (meter.getLitSegments(), 28);

    const auto image = zobtest::render (meter, juce::Colours::black);
    const auto pitch = 246.0 / 28.0;

    for (int i = 0; i < 28; ++i)
    {
        auto covered = 0.0, moment = 0.0;

        for (auto x = (int) std::floor (i * pitch); x < (int) std::floor ((i + 1) * pitch); ++x)
        {
            const auto coverage = image.getPixelAt (x, 4).getRed() / 236.0;
            covered += coverage;
            moment += coverage * (x + 0.5);
        }

        EXPECT_NEAR (covered, 0.66 * pitch, 0.03) << "width of segment " << i;
        EXPECT_NEAR (moment / covered, i * pitch + 0.33 * pitch, 0.03) << "centre of segment " << i;
    }
}
