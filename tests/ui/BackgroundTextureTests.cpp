#include "UiTestHelpers.h"
#include "ui/kit/BackgroundTexture.h"

#include <gtest/gtest.h>

namespace
{
// The expected colour of one pixel from the walk so far and the pixel's two draws; the walk
// moves on to the pixel's own value.
juce::Colour pixelFrom (bool dark, float& walk, float r1, float r2, int row, int height)
{
    const juce::Colour base0 (dark ? 0xff1d1c1b : 0xffc5c3ba), base1 (dark ? 0xff272524 : 0xffdeddd5);
    walk = juce::jlimit (0.0f, 1.0f, (walk + (r1 - 0.5f) * 0.55f) * 0.86f + 0.07f);
    const auto o = juce::jlimit (0.0f, 1.0f, walk * 0.2f - 0.02f + (r2 - 0.5f) * 0.1f);
    const auto vignette = 1.0f + 0.022f * std::cos (((float) row / (float) height - 0.28f) * 2.4f);
    return base0.interpolatedWith (base1, o).withMultipliedBrightness (vignette);
}
} // namespace

TEST (BackgroundTexture, GeneratorStartsWithTheKnownDraws)
{
    juce::Random random (5181447);
    EXPECT_NEAR (random.nextFloat(), 0.160935f, 1.0e-6f);
    EXPECT_NEAR (random.nextFloat(), 0.824443f, 1.0e-6f);
    EXPECT_NEAR (random.nextFloat(), 0.738173f, 1.0e-6f);
}

TEST (BackgroundTexture, PixelsFollowTheWalkAlongEachRow)
{
    for (const auto dark : { true, false })
    {
        const zobtest::ScopedScheme scheme (dark);
        BackgroundTexture texture;

        const auto& wide = texture.getImage (400, 710);
        EXPECT_EQ (wide.getFormat(), juce::Image::RGB);
        auto firstWalk = 0.160935f;
        EXPECT_EQ (wide.getPixelAt (0, 0).getARGB(), pixelFrom (dark, firstWalk, 0.824443f, 0.738173f, 0, 710).getARGB());

        // Each row starts its walk with one draw and carries it along, two draws per pixel:
        // a row of w pixels takes 2w + 1 draws (three for a single column).
        for (const auto width : { 1, 3 })
        {
            const auto& narrow = texture.getImage (width, 3);
            juce::Random random (5181447);

            for (int row = 0; row < 3; ++row)
            {
                auto walk = random.nextFloat();

                for (int column = 0; column < width; ++column)
                {
                    const auto r1 = random.nextFloat();
                    const auto r2 = random.nextFloat();
                    EXPECT_EQ (narrow.getPixelAt (column, row).getARGB(), pixelFrom (dark, walk, r1, r2, row, 3).getARGB())
                        << width << " wide, at " << column << "," << row;
                }
            }
        }
    }
}

TEST (BackgroundTexture, ExactPixelsOfTheCanvasTexture)
{
    struct Probe
    {
        int x, y;
        juce::uint32 dark, light;
    };

    // Recorded from the generator; any change to the walk, the draws or the colour maths moves them.
    const Probe probes[] = {
        { 0, 0, 0xff1d1c1b, 0xffc9c7bf },
        { 1, 0, 0xff1d1c1b, 0xffc8c6bd },
        { 399, 0, 0xff1d1c1b, 0xffc9c7be },
        { 200, 199, 0xff1f1e1d, 0xffcccac1 },
        { 17, 355, 0xff1e1d1c, 0xffcbc9c0 },
        { 399, 709, 0xff1e1d1c, 0xffc8c6bd },
    };

    for (const auto dark : { true, false })
    {
        const zobtest::ScopedScheme scheme (dark);
        BackgroundTexture texture;
        const auto& image = texture.getImage (400, 710);

        for (const auto& p : probes)
            EXPECT_EQ (image.getPixelAt (p.x, p.y).getARGB(), dark ? p.dark : p.light)
                << std::hex << image.getPixelAt (p.x, p.y).getARGB() << " at " << std::dec << p.x << "," << p.y << (dark ? " dark" : " light");
    }
}

TEST (BackgroundTexture, CachesOneImagePerSizeAndScheme)
{
    const zobtest::ScopedScheme scheme (false);
    BackgroundTexture texture;

    const auto* first = texture.getImage (400, 710).getPixelData();
    EXPECT_EQ (texture.getImage (400, 710).getPixelData(), first);

    uiDarkModeFlag = true;
    const auto darkImage = texture.getImage (400, 710);
    EXPECT_NE (darkImage.getPixelData(), first);
    EXPECT_LT (darkImage.getPixelAt (10, 10).getBrightness(), 0.2f);

    uiDarkModeFlag = false; // switching back rebuilds too: only one image is kept
    const auto lightAgain = texture.getImage (400, 710);
    EXPECT_NE (lightAgain.getPixelData(), darkImage.getPixelData());
    EXPECT_GT (lightAgain.getPixelAt (10, 10).getBrightness(), 0.7f);

    // Rebuilds with the same size and scheme give identical pixels.
    BackgroundTexture other;
    const auto& copy = other.getImage (400, 710);
    for (int y = 0; y < 710; y += 71)
        for (int x = 0; x < 400; x += 40)
            ASSERT_EQ (copy.getPixelAt (x, y), lightAgain.getPixelAt (x, y));
}

TEST (BackgroundTexture, EmptySizesBuildOnePixelAndRebuildOnEveryRequest)
{
    BackgroundTexture texture;
    const auto flat = texture.getImage (400, 0);
    EXPECT_EQ (flat.getWidth(), 400);
    EXPECT_EQ (flat.getHeight(), 1);

    // The stored height is 1, so asking for 0 again is a different size and rebuilds.
    EXPECT_NE (texture.getImage (400, 0).getPixelData(), flat.getPixelData());

    const auto& tiny = texture.getImage (-5, -5);
    EXPECT_EQ (tiny.getWidth(), 1);
    EXPECT_EQ (tiny.getHeight(), 1);
}
