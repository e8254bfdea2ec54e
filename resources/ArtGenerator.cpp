// Draws the widget kit's two images and writes them as PNG files into the folder given on the
// command line:
//   knob.png   512 x 512 RGBA: the knob face, transparent outside its circle
//   grain.png  960 x 640 RGBA: the film-grain overlay laid over the whole canvas
//
// Both are pure functions of fixed constants (the grain of a seeded juce::Random), so every
// build produces the same pixels. Both are shown heavily resampled (the knob face at about
// 46 px, the grain stretched to 400 x 710), so they hold no detail finer than a few source
// pixels: every edge is a smooth ramp and the grain is blurred noise.
//
// Run by the build (cmake/BinaryData.cmake); the program code never sees this file.

#include <juce_graphics/juce_graphics.h>

#include <cmath>
#include <vector>

namespace
{
constexpr int knobSize = 512;
constexpr int grainWidth = 960;
constexpr int grainHeight = 640;
constexpr juce::int64 grainSeed = 71132213;

float smoothStep (float edge0, float edge1, float x)
{
    const auto t = juce::jlimit (0.0f, 1.0f, (x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

juce::Colour mix (juce::Colour a, juce::Colour b, float amount)
{
    return a.interpolatedWith (b, juce::jlimit (0.0f, 1.0f, amount));
}

//==============================================================================
// The knob face as a function of the distance t from the centre (0 at the centre, 1 at
// the edge of the image square). Zones, outside in: a dark skirt with a soft lip, a
// raised light rim, and a shallow dish that is lightest in the middle. The face ends at
// t = 0.93, so the light body disc drawn beneath it shows as a thin ring.
constexpr float faceRadius = 0.93f;

juce::Colour knobColourAt (float t)
{
    const juce::Colour dishCentre (0xffd9d5cd), dishEdge (0xffbfbab1);
    const juce::Colour rimLight (0xffe4e0d8);
    const juce::Colour skirtInner (0xff6f6a63), skirtOuter (0xff8c877f);
    const juce::Colour lip (0xff4f4b46);

    // Dish: a gentle quadratic fall-off from the centre.
    auto colour = mix (dishCentre, dishEdge, std::pow (t / 0.74f, 2.0f));

    // Raised rim between the dish and the skirt, a smooth bump about 2 px wide when shown.
    const auto rim = smoothStep (0.66f, 0.75f, t) * (1.0f - smoothStep (0.76f, 0.81f, t));
    colour = mix (colour, rimLight, rim);

    // Skirt: darker, getting lighter towards its outer edge like a turned bevel.
    const auto skirt = smoothStep (0.77f, 0.82f, t);
    colour = mix (colour, mix (skirtInner, skirtOuter, smoothStep (0.80f, 0.92f, t)), skirt);

    // A soft dark lip at the outer edge gives the face a silhouette on the body disc.
    colour = mix (colour, lip, smoothStep (0.88f, faceRadius, t) * 0.6f);
    return colour;
}

juce::Image drawKnob()
{
    juce::Image image (juce::Image::ARGB, knobSize, knobSize, true, juce::SoftwareImageType());
    constexpr int samplesPerAxis = 4;
    const auto centre = knobSize * 0.5f;

    for (int y = 0; y < knobSize; ++y)
    {
        for (int x = 0; x < knobSize; ++x)
        {
            // Average a 4 x 4 grid of samples: exact coverage at the circle's edge and no
            // stair-steps in the colour ramps.
            float r = 0.0f, g = 0.0f, b = 0.0f, coverage = 0.0f;

            for (int sy = 0; sy < samplesPerAxis; ++sy)
            {
                for (int sx = 0; sx < samplesPerAxis; ++sx)
                {
                    const auto px = (float) x + ((float) sx + 0.5f) / samplesPerAxis - centre;
                    const auto py = (float) y + ((float) sy + 0.5f) / samplesPerAxis - centre;
                    const auto t = std::sqrt (px * px + py * py) / centre;

                    if (t > faceRadius)
                        continue;

                    const auto c = knobColourAt (t);
                    r += c.getFloatRed();
                    g += c.getFloatGreen();
                    b += c.getFloatBlue();
                    coverage += 1.0f;
                }
            }

            if (coverage <= 0.0f)
                continue;

            const auto alpha = coverage / (samplesPerAxis * samplesPerAxis);
            image.setPixelAt (x, y, juce::Colour::fromFloatRGBA (r / coverage, g / coverage, b / coverage, alpha));
        }
    }

    return image;
}

//==============================================================================
// Film grain: white noise blurred with a Gaussian, so the grain stays visible but does
// not shimmer when resampled. The canvas squeezes the image 2.4 times horizontally and
// stretches it 1.1 times vertically, so the blur is wider across than down (2.4 px and
// 0.9 px) and the grains come out round on the canvas. Positive values lighten (white),
// negative ones darken (black); the alpha carries the strength.
std::vector<float> gaussianKernel (float sigma)
{
    const auto radius = (int) std::ceil (sigma * 3.0f);
    std::vector<float> kernel ((size_t) (2 * radius + 1));
    float sum = 0.0f;

    for (int i = -radius; i <= radius; ++i)
        sum += kernel[(size_t) (i + radius)] = std::exp (-0.5f * (float) (i * i) / (sigma * sigma));

    for (auto& k : kernel)
        k /= sum;

    return kernel;
}

std::vector<float> blurred (const std::vector<float>& source, int width, int height, float sigmaAcross, float sigmaDown)
{
    const auto across = gaussianKernel (sigmaAcross);
    const auto down = gaussianKernel (sigmaDown);
    const auto radiusAcross = (int) across.size() / 2;
    const auto radiusDown = (int) down.size() / 2;

    auto wrap = [] (int i, int n)
    { return ((i % n) + n) % n; }; // wraps, so the grain tiles

    std::vector<float> rows (source.size()), result (source.size());

    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            float v = 0.0f;
            for (int i = -radiusAcross; i <= radiusAcross; ++i)
                v += across[(size_t) (i + radiusAcross)] * source[(size_t) (y * width + wrap (x + i, width))];
            rows[(size_t) (y * width + x)] = v;
        }

    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            float v = 0.0f;
            for (int i = -radiusDown; i <= radiusDown; ++i)
                v += down[(size_t) (i + radiusDown)] * rows[(size_t) (wrap (y + i, height) * width + x)];
            result[(size_t) (y * width + x)] = v;
        }

    return result;
}

juce::Image drawGrain()
{
    juce::Random random (grainSeed);
    std::vector<float> noise ((size_t) (grainWidth * grainHeight));

    for (auto& n : noise)
        n = random.nextFloat() - 0.5f;

    auto grain = blurred (noise, grainWidth, grainHeight, 2.4f, 0.9f);

    double sumOfSquares = 0.0;
    for (auto v : grain)
        sumOfSquares += (double) v * v;

    const auto deviation = (float) std::sqrt (sumOfSquares / (double) grain.size());

    juce::Image image (juce::Image::ARGB, grainWidth, grainHeight, true, juce::SoftwareImageType());

    for (int y = 0; y < grainHeight; ++y)
        for (int x = 0; x < grainWidth; ++x)
        {
            // Two and a half deviations reach full strength; most grains are much fainter.
            const auto v = juce::jlimit (-1.0f, 1.0f, grain[(size_t) (y * grainWidth + x)] / (2.5f * deviation));
            const auto base = v > 0.0f ? juce::Colours::white : juce::Colours::black;
            image.setPixelAt (x, y, base.withAlpha (std::abs (v) * 0.75f));
        }

    return image;
}

bool writePng (const juce::Image& image, const juce::File& file)
{
    file.deleteFile();
    juce::FileOutputStream stream (file);

    if (! stream.openedOk())
        return false;

    juce::PNGImageFormat png;
    return png.writeImageToStream (image, stream);
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf (stderr, "usage: ZobArtGenerator OUTPUT_FOLDER\n");
        return 2;
    }

    const juce::File folder (juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]));

    if (! folder.createDirectory())
        return 1;

    if (! writePng (drawKnob(), folder.getChildFile ("knob.png")))
        return 1;

    if (! writePng (drawGrain(), folder.getChildFile ("grain.png")))
        return 1;

    return 0;
}
