#include "UiTestHelpers.h"
#include "library/KickDisplayName.h"
#include "tools/KickSynth/FactoryKicks.h"
#include "ui/kit/BackgroundTexture.h"
#include "ui/kit/EmbeddedResources.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/VYLLookAndFeel.h"

#include <gtest/gtest.h>

namespace
{
int readUInt16 (const juce::uint8* p) { return (p[0] << 8) | p[1]; }

juce::uint32 readUInt32 (const juce::uint8* p)
{
    return ((juce::uint32) p[0] << 24) | ((juce::uint32) p[1] << 16) | ((juce::uint32) p[2] << 8) | p[3];
}

/** usWeightClass of a TrueType file's OS/2 table, or -1 when there is none. */
int weightClassOf (vyl::EmbeddedBlock block)
{
    const auto* bytes = static_cast<const juce::uint8*> (block.data);
    const auto numTables = readUInt16 (bytes + 4);

    for (int i = 0; i < numTables; ++i)
    {
        const auto* record = bytes + 12 + 16 * i;

        if (std::memcmp (record, "OS/2", 4) == 0)
        {
            const auto offset = readUInt32 (record + 8);
            return offset + 6 <= block.size ? readUInt16 (bytes + offset + 4) : -1;
        }
    }

    return -1;
}
} // namespace

TEST (EmbeddedFonts, EachBlockIsATrueTypeFileOfItsWeight)
{
    struct Case
    {
        vyl::EmbeddedBlock block;
        juce::Typeface::Ptr (*typeface)();
        const char* style;
        int weightClass;
    };

    const Case cases[] = {
        { vyl::EmbeddedResources::uiSansRegularTtf(), vyl::Fonts::regularTypeface, "Regular", 400 },
        { vyl::EmbeddedResources::uiSansSemiBoldTtf(), vyl::Fonts::semiBoldTypeface, "SemiBold", 600 },
        { vyl::EmbeddedResources::uiSansBoldTtf(), vyl::Fonts::boldTypeface, "Bold", 700 },
    };

    for (const auto& c : cases)
    {
        ASSERT_NE (c.block.data, nullptr);
        ASSERT_GT (c.block.size, 1000u);
        EXPECT_EQ (readUInt32 (static_cast<const juce::uint8*> (c.block.data)), 0x00010000u) << "not TrueType outlines";
        EXPECT_EQ (weightClassOf (c.block), c.weightClass) << c.style;

        const auto typeface = c.typeface();
        ASSERT_NE (typeface, nullptr);
        EXPECT_EQ (typeface->getStyle(), juce::String (c.style));
        EXPECT_EQ (typeface->getName(), juce::String ("Manrope"));
        EXPECT_GT (typeface->getStringWidth ("KICK"), 0.0f) << c.style << " has no glyph outlines";
    }
}

TEST (EmbeddedFonts, FontsCarryTheEmbeddedTypefaceAtTheAskedHeight)
{
    const auto font = vyl::Fonts::semiBoldFont (16.5f);
    EXPECT_FLOAT_EQ (font.getHeight(), 16.5f);
    EXPECT_EQ (font.getTypefaceStyle(), juce::String ("SemiBold"));
    EXPECT_FLOAT_EQ (font.getHorizontalScale(), 1.0f);
    EXPECT_FLOAT_EQ (font.getExtraKerningFactor(), 0.0f);
    EXPECT_EQ (vyl::Fonts::boldFont (88.0f).getTypefaceStyle(), juce::String ("Bold"));
    EXPECT_FLOAT_EQ (vyl::Fonts::regularFont (0.0f).getHeight(), 0.1f); // JUCE's lower limit

    EXPECT_FLOAT_EQ (vyl::Fonts::withTracking (font, 16.5f, 0.8f).getExtraKerningFactor(), 0.8f / 16.5f);
    EXPECT_FLOAT_EQ (vyl::Fonts::withTracking (font, 0.0f, 0.8f).getExtraKerningFactor(), 0.0f);
}

TEST (EmbeddedFonts, TheTightestTextsFitTheirBoxes)
{
    // The key badge's widest text in its 36 px box, without ellipsis.
    EXPECT_LE (vyl::Fonts::semiBoldFont (15.0f).getStringWidthFloat ("~A#-1"), 36.0f);

    // Kick names in the 186 px name label (drawn in Regular 17): every factory kick's name
    // fits at full width, and a long user name fits at the label's minimum horizontal scale.
    const auto labelFont = vyl::Fonts::regularFont (17.0f);
    for (const auto& kick : makeFactoryKicks())
    {
        const auto name = makeKickDisplayName (kick.fileName);
        EXPECT_LE (labelFont.getStringWidthFloat (name), 186.0f) << name;
    }
    EXPECT_LE (labelFont.getStringWidthFloat ("HARDSTYLE - DISTORTED KICK 03") * 0.75f, 186.0f);
}

TEST (TypefaceCache, SharedWhileALookAndFeelLivesAndFreshOtherwise)
{
    {
        const vyl::VYLLookAndFeel lookAndFeel;
        const auto first = vyl::Fonts::regularTypeface();
        EXPECT_EQ (first.get(), vyl::Fonts::regularTypeface().get());
        EXPECT_EQ (vyl::Fonts::TypefaceCache::getShared(), vyl::Fonts::TypefaceCache::getShared());
        EXPECT_NE (first.get(), vyl::Fonts::boldTypeface().get());
    }

    // Nobody holds the cache now: each call parses the block anew, and the font still works.
    const auto a = vyl::Fonts::regularTypeface();
    const auto b = vyl::Fonts::regularTypeface();
    EXPECT_NE (a.get(), b.get());
    EXPECT_GT (vyl::Fonts::regularFont (17.0f).getStringWidthFloat ("KICK"), 0.0f);

    auto cache = vyl::Fonts::TypefaceCache::getShared();
    const auto block = vyl::EmbeddedResources::uiSansBoldTtf();
    EXPECT_EQ (cache->getOrCreate (block.data, block.size).get(), cache->getOrCreate (block.data, block.size).get());
    EXPECT_EQ (cache->size(), 1u);
}

TEST (EmbeddedImages, DecodeWithTheirSizesAndAlpha)
{
    const auto knob = vyl::VYLLookAndFeel::getKnobImage();
    ASSERT_TRUE (knob.isValid());
    EXPECT_EQ (knob.getWidth(), 512);
    EXPECT_EQ (knob.getHeight(), 512);
    EXPECT_TRUE (knob.hasAlphaChannel());
    EXPECT_EQ (knob.getPixelAt (0, 0).getAlpha(), 0); // transparent outside the circle
    EXPECT_EQ (knob.getPixelAt (511, 256).getAlpha(), 0);
    EXPECT_EQ (knob.getPixelAt (256, 256).getAlpha(), 255); // opaque face
    EXPECT_EQ (knob.getPixelAt (256, 60).getAlpha(), 255);

    // Rotationally symmetric: the same colour at the same distance in every direction.
    for (auto distance : { 40, 120, 190, 225 })
    {
        const auto up = knob.getPixelAt (256, 256 - distance);
        EXPECT_LE (std::abs (up.getRed() - knob.getPixelAt (256 + distance, 256).getRed()), 2) << distance;
        EXPECT_LE (std::abs (up.getRed() - knob.getPixelAt (256, 256 + distance).getRed()), 2) << distance;
        EXPECT_LE (std::abs (up.getRed() - knob.getPixelAt (256 - distance, 256).getRed()), 2) << distance;
    }

    const auto block = vyl::EmbeddedResources::grainPng();
    const auto grain = juce::ImageCache::getFromMemory (block.data, (int) block.size);
    ASSERT_TRUE (grain.isValid());
    EXPECT_EQ (grain.getWidth(), 960);
    EXPECT_EQ (grain.getHeight(), 640);
    EXPECT_TRUE (grain.hasAlphaChannel());

    // Grain varies and is partly transparent, never a flat fill.
    int minAlpha = 255, maxAlpha = 0;
    for (int i = 0; i < 200; ++i)
    {
        const auto alpha = grain.getPixelAt ((i * 37) % 960, (i * 53) % 640).getAlpha();
        minAlpha = juce::jmin (minAlpha, (int) alpha);
        maxAlpha = juce::jmax (maxAlpha, (int) alpha);
    }
    EXPECT_LT (minAlpha, 60);
    EXPECT_GT (maxAlpha, 120);

    // The canvas as the editor paints it: the texture, then the grain stretched at 0.12.
    for (const auto dark : { true, false })
    {
        const zobtest::ScopedScheme scheme (dark);
        BackgroundTexture texture;
        juce::Image canvas (juce::Image::ARGB, 400, 710, true, juce::SoftwareImageType());
        {
            juce::Graphics g (canvas);
            g.drawImageAt (texture.getImage (400, 710), 0, 0);
            g.setOpacity (0.12f);
            g.drawImage (grain, canvas.getBounds().toFloat(), juce::RectanglePlacement::stretchToFit);
        }
        zobtest::saveSnapshot (canvas, dark ? "canvas-dark" : "canvas-light");

        // The grain changes the canvas only faintly.
        const auto plain = texture.getImage (400, 710);
        for (int i = 0; i < 50; ++i)
            EXPECT_LE (zobtest::colourDistance (canvas.getPixelAt (i * 7, i * 13), plain.getPixelAt (i * 7, i * 13)), 30);
    }
}
