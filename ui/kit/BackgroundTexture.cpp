#include "ui/kit/BackgroundTexture.h"

#include "ui/kit/UiDarkModeFlag.h"

const juce::Image& BackgroundTexture::getImage (int wantedWidth, int wantedHeight)
{
    if (image.isValid() && wantedWidth == width && wantedHeight == height && dark == uiDarkModeFlag)
        return image;

    width = juce::jmax (wantedWidth, 1);
    height = juce::jmax (wantedHeight, 1);
    dark = uiDarkModeFlag;
    image = juce::Image (juce::Image::RGB, width, height, false);
    rebuild();
    return image;
}

void BackgroundTexture::rebuild()
{
    const juce::Colour base0 (dark ? 0xff1d1c1b : 0xffc5c3ba); // the darker base
    const juce::Colour base1 (dark ? 0xff272524 : 0xffdeddd5); // the lighter one

    // Seeded anew for every rebuild; a row consumes 2 * width + 1 draws, the walk step of
    // each pixel before its own jitter.
    juce::Random random (seed);
    const juce::Image::BitmapData pixels (image, juce::Image::BitmapData::writeOnly);

    for (int i = 0; i < height; ++i)
    {
        const auto vignette = 1.0f + 0.022f * std::cos (((float) i / (float) height - 0.28f) * 2.4f);
        auto walk = random.nextFloat();

        for (int j = 0; j < width; ++j)
        {
            const auto r1 = random.nextFloat();
            walk = juce::jlimit (0.0f, 1.0f, (walk + (r1 - 0.5f) * 0.55f) * 0.86f + 0.07f);

            const auto r2 = random.nextFloat();
            const auto o = juce::jlimit (0.0f, 1.0f, walk * 0.2f - 0.02f + (r2 - 0.5f) * 0.1f);

            pixels.setPixelColour (j, i, base0.interpolatedWith (base1, o).withMultipliedBrightness (vignette));
        }
    }
}
