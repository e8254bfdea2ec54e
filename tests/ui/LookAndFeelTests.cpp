#include "UiTestHelpers.h"
#include "ui/kit/Palette.h"
#include "ui/kit/VYLLookAndFeel.h"

#include <gtest/gtest.h>

namespace
{
constexpr float pi = juce::MathConstants<float>::pi;

struct SliderFixture
{
    explicit SliderFixture (bool bipolar, juce::Slider::SliderStyle style = juce::Slider::LinearHorizontal)
        : slider (style, juce::Slider::NoTextBox)
    {
        if (bipolar)
            slider.getProperties().set ("vylBipolar", true);

        slider.setLookAndFeel (&lookAndFeel);
    }

    ~SliderFixture() { slider.setLookAndFeel (nullptr); }

    vyl::VYLLookAndFeel lookAndFeel;
    juce::Slider slider;
};

juce::Point<int> pointAt (float cx, float cy, float angle, float distance)
{
    return { juce::roundToInt (cx + distance * std::sin (angle)), juce::roundToInt (cy - distance * std::cos (angle)) };
}
} // namespace

TEST (VYLLookAndFeel, WidgetFontsIgnoreWhatTheWidgetAsked)
{
    vyl::VYLLookAndFeel lookAndFeel;
    juce::Label label;
    label.setFont (vyl::Fonts::semiBoldFont (16.5f));
    const auto labelFont = lookAndFeel.getLabelFont (label);
    EXPECT_FLOAT_EQ (labelFont.getHeight(), 17.0f);
    EXPECT_EQ (labelFont.getTypefaceStyle(), juce::String ("Regular"));

    juce::TextButton button;
    struct Case
    {
        int buttonHeight;
        float fontHeight;
    };
    for (const auto c : { Case { 30, 12.6f }, Case { 42, 17.64f }, Case { 43, 18.0f }, Case { 80, 18.0f } })
    {
        const auto font = lookAndFeel.getTextButtonFont (button, c.buttonHeight);
        EXPECT_NEAR (font.getHeight(), c.fontHeight, 1.0e-4f) << c.buttonHeight;
        EXPECT_EQ (font.getTypefaceStyle(), juce::String ("SemiBold"));
        EXPECT_FLOAT_EQ (font.getExtraKerningFactor(), 0.08f);
    }

    juce::ComboBox comboBox;
    EXPECT_FLOAT_EQ (lookAndFeel.getComboBoxFont (comboBox).getHeight(), 19.5f);
    EXPECT_FLOAT_EQ (lookAndFeel.getPopupMenuFont().getHeight(), 15.5f);
}

TEST (VYLLookAndFeel, ColourIdsKeepTheirSchemeUntilAppliedAgain)
{
    const zobtest::ScopedScheme scheme (true);
    vyl::VYLLookAndFeel lookAndFeel;
    EXPECT_EQ (lookAndFeel.findColour (juce::ComboBox::backgroundColourId).getARGB(), 0xff161513u);
    EXPECT_EQ (lookAndFeel.findColour (juce::PopupMenu::backgroundColourId).getARGB(), 0xff232220u);
    EXPECT_EQ (lookAndFeel.findColour (juce::PopupMenu::highlightedBackgroundColourId).getARGB(), 0x38ec6b21u);
    EXPECT_EQ (lookAndFeel.findColour (juce::ComboBox::outlineColourId).getARGB(), 0u);
    EXPECT_EQ (lookAndFeel.findColour (juce::Label::textColourId).getARGB(), 0xffb4ae9fu);

    uiDarkModeFlag = false;
    EXPECT_EQ (lookAndFeel.findColour (juce::ComboBox::backgroundColourId).getARGB(), 0xff161513u);

    lookAndFeel.applyColourScheme();
    EXPECT_EQ (lookAndFeel.findColour (juce::ComboBox::backgroundColourId).getARGB(), 0xff20211du);
    EXPECT_EQ (lookAndFeel.findColour (juce::PopupMenu::backgroundColourId).getARGB(), 0xff2c2d29u);
    EXPECT_EQ (lookAndFeel.findColour (juce::Slider::textBoxTextColourId).getARGB(), 0xff55534bu);
}

TEST (VYLLookAndFeel, LinearLayoutLeavesOneThumbRadiusAtEachEnd)
{
    SliderFixture unipolar (false), bipolar (true), rotary (false, juce::Slider::RotaryHorizontalVerticalDrag);
    unipolar.slider.setBounds (0, 0, 246, 20);
    bipolar.slider.setBounds (0, 0, 360, 20);
    rotary.slider.setBounds (0, 0, 68, 68);

    EXPECT_EQ (vyl::VYLLookAndFeel::getBipolarThumbRadius (unipolar.slider), 8);
    EXPECT_EQ (vyl::VYLLookAndFeel::getBipolarThumbRadius (bipolar.slider), 6);

    const auto u = unipolar.lookAndFeel.getSliderLayout (unipolar.slider);
    EXPECT_EQ (u.sliderBounds, juce::Rectangle<int> (8, 0, 230, 20));
    EXPECT_TRUE (u.textBoxBounds.isEmpty());

    const auto b = bipolar.lookAndFeel.getSliderLayout (bipolar.slider);
    EXPECT_EQ (b.sliderBounds, juce::Rectangle<int> (6, 0, 348, 20));

    bipolar.slider.setBounds (0, 0, 10, 20);
    EXPECT_EQ (bipolar.lookAndFeel.getSliderLayout (bipolar.slider).sliderBounds, juce::Rectangle<int> (6, 0, 0, 20));

    // Other styles keep JUCE's layout.
    EXPECT_EQ (rotary.lookAndFeel.getSliderLayout (rotary.slider).sliderBounds,
               rotary.lookAndFeel.juce::LookAndFeel_V2::getSliderLayout (rotary.slider).sliderBounds);
}

TEST (VYLLookAndFeel, LinearSliderFillsFromItsOrigin)
{
    const zobtest::ScopedScheme scheme (true);
    const auto accent = vyl::Palette::accent();

    // Unipolar at its minimum: no accent anywhere on the track; the thumb is panelText.
    {
        SliderFixture f (false);
        f.slider.setRange (0.0, 1.0);
        f.slider.setValue (0.0);
        f.slider.setBounds (0, 0, 246, 20);
        const auto image = zobtest::render (f.slider, juce::Colours::black);
        zobtest::saveSnapshot (image, "slider-unipolar-min");
        for (int x = 20; x < 240; x += 10)
            EXPECT_GT (zobtest::colourDistance (image.getPixelAt (x, 9), accent), 40) << x;
        EXPECT_LE (zobtest::colourDistance (image.getPixelAt (8, 9), vyl::Palette::panelText()), 2);
        EXPECT_LE (zobtest::colourDistance (image.getPixelAt (120, 9), vyl::Palette::trackUnipolar()), 2);
    }

    // Unipolar at 0.5: accent from the left end to the thumb.
    {
        SliderFixture f (false);
        f.slider.setRange (0.0, 1.0);
        f.slider.setValue (0.5);
        f.slider.setBounds (0, 0, 246, 20);
        const auto image = zobtest::render (f.slider, juce::Colours::black);
        EXPECT_LE (zobtest::colourDistance (image.getPixelAt (40, 9), accent), 2);
        EXPECT_LE (zobtest::colourDistance (image.getPixelAt (200, 9), vyl::Palette::trackUnipolar()), 2);
    }

    // Bipolar at the centre value shows no fill; below the centre it fills leftwards from it.
    for (const auto value : { 0.0, -6.0 })
    {
        SliderFixture f (true);
        f.slider.setRange (-12.0, 12.0);
        f.slider.setValue (value);
        f.slider.setBounds (0, 0, 360, 20);
        const auto image = zobtest::render (f.slider, juce::Colours::black);
        zobtest::saveSnapshot (image, value == 0.0 ? "slider-bipolar-centre" : "slider-bipolar-minus6");

        const auto between = image.getPixelAt (130, 9); // between -6 (x = 93) and the centre (180)
        const auto left = image.getPixelAt (40, 9);
        EXPECT_LE (zobtest::colourDistance (left, vyl::Palette::trackBipolar()), 2);

        if (value == 0.0)
            EXPECT_LE (zobtest::colourDistance (between, vyl::Palette::trackBipolar()), 2);
        else
            EXPECT_LE (zobtest::colourDistance (between, accent), 2);

        EXPECT_LE (zobtest::colourDistance (image.getPixelAt (value == 0.0 ? 180 : 93, 9), accent), 2); // accent thumb
        EXPECT_LE (zobtest::colourDistance (image.getPixelAt (270, 9), vyl::Palette::trackBipolar()), 2);
    }
}

TEST (VYLLookAndFeel, LinearTrackAndThumbSizes)
{
    struct Case
    {
        bool bipolar;
        int width;
        double minimum, maximum, value;
        int thumbX; // the thumb's centre: the layout's left edge plus the value's share of its width
        float thumbDiameter;
        juce::Colour (*thumb)();
        juce::Colour (*track)();
    };

    const Case cases[] = {
        { false, 246, 0.0, 1.0, 0.5, 8 + 115, 15.0f, vyl::Palette::panelText, vyl::Palette::trackUnipolar },
        { true, 360, -12.0, 12.0, 0.0, 6 + 174, 11.0f, vyl::Palette::accent, vyl::Palette::trackBipolar },
    };

    for (const auto& c : cases)
    {
        // One look-and-feel for both schemes: the drawing follows the flag at once.
        SliderFixture f (c.bipolar);
        f.slider.setRange (c.minimum, c.maximum);
        f.slider.setValue (c.value);
        f.slider.setBounds (0, 0, c.width, 20);

        for (const auto dark : { true, false })
        {
            const zobtest::ScopedScheme scheme (dark);
            const auto image = zobtest::render (f.slider, juce::Colours::black);

            // The track is 5 px high around y = 10 (7.5 to 12.5), on both sides of the thumb.
            for (const auto x : { c.thumbX - 40, c.thumbX + 40 })
            {
                const auto onTrack = x < c.thumbX && ! c.bipolar ? vyl::Palette::accent() : c.track();
                for (int y = 8; y <= 11; ++y)
                    EXPECT_LE (zobtest::colourDistance (image.getPixelAt (x, y), onTrack), 2) << x << "," << y;
                EXPECT_EQ (image.getPixelAt (x, 6), juce::Colours::black) << x;
                EXPECT_EQ (image.getPixelAt (x, 13), juce::Colours::black) << x;
            }

            // The thumb's disc reaches just short of its radius above the centre, and no further.
            const auto inside = 10 - (int) (c.thumbDiameter / 2.0f - 1.5f);
            const auto outside = 10 - (int) (c.thumbDiameter / 2.0f + 1.5f);
            EXPECT_LE (zobtest::colourDistance (image.getPixelAt (c.thumbX, inside), c.thumb()), 2) << c.bipolar << dark;
            EXPECT_EQ (image.getPixelAt (c.thumbX, outside), juce::Colours::black) << c.bipolar << dark;
        }
    }
}

TEST (VYLLookAndFeel, RotaryKnobGeometry)
{
    for (const auto dark : { true, false })
    {
        const zobtest::ScopedScheme scheme (dark);
        SliderFixture f (false, juce::Slider::RotaryHorizontalVerticalDrag);
        const auto start = 1.25f * pi, end = 2.75f * pi;
        f.slider.setRotaryParameters (start, end, true);
        f.slider.setRange (0.0, 1.0);
        f.slider.setValue (0.0);
        f.slider.setBounds (0, 0, 68, 68);

        const auto image = zobtest::render (f.slider, juce::Colour (dark ? 0xff1d1c1b : 0xffc5c3ba));
        zobtest::saveSnapshot (image, dark ? "knob-dark" : "knob-light");

        // r = 34 - 11 = 23: the pointer at the start angle, accent along its middle.
        const auto r = 23.0f;
        const auto onPointer = image.getPixelAt (pointAt (34.0f, 34.0f, start, 0.83f * r * 0.55f).x, pointAt (34.0f, 34.0f, start, 0.83f * r * 0.55f).y);
        EXPECT_LE (zobtest::colourDistance (onPointer, vyl::Palette::accent()), 8);

        // The opposite direction carries no pointer: it is the knob face.
        const auto opposite = pointAt (34.0f, 34.0f, start + pi, 0.83f * r * 0.55f);
        EXPECT_GT (zobtest::colourDistance (image.getPixelAt (opposite.x, opposite.y), vyl::Palette::accent()), 60);

        // Eleven ticks between 1.057r and 1.207r from start to end; nothing between them.
        const juce::Colour background (dark ? 0xff1d1c1b : 0xffc5c3ba);
        for (int i = 0; i <= 10; ++i)
        {
            const auto angle = start + (float) i / 10.0f * (end - start);
            const auto onTick = pointAt (34.0f, 34.0f, angle, 1.132f * r);
            EXPECT_GT (zobtest::colourDistance (image.getPixelAt (onTick.x, onTick.y), background), 15) << i;

            if (i < 10)
            {
                const auto between = pointAt (34.0f, 34.0f, angle + 0.05f * (end - start), 1.132f * r);
                EXPECT_LE (zobtest::colourDistance (image.getPixelAt (between.x, between.y), background), 4) << i;
            }
        }

        // Outside the ticks the background is untouched.
        EXPECT_EQ (image.getPixelAt (2, 2), juce::Colour (dark ? 0xff1d1c1b : 0xffc5c3ba));
    }
}

TEST (VYLLookAndFeel, SmallRotaryKeepsTheMinimumRadius)
{
    const zobtest::ScopedScheme scheme (true);
    SliderFixture f (false, juce::Slider::RotaryHorizontalVerticalDrag);
    f.slider.setRotaryParameters (1.25f * pi, 2.75f * pi, true);
    f.slider.setValue (f.slider.getMinimum());
    f.slider.setBounds (0, 0, 30, 30);
    const auto image = zobtest::render (f.slider, juce::Colours::black);

    // r = 6, not 4: the body disc reaches 0.98 * 0.957 * 6 = 5.6 px from the centre.
    EXPECT_GT (image.getPixelAt (15 + 5, 15).getBrightness(), 0.4f);
    EXPECT_GT (image.getPixelAt (15, 15 - 5).getBrightness(), 0.4f);
}

TEST (VYLLookAndFeel, TooltipOpensAwayFromTheMouseInEachQuadrant)
{
    vyl::VYLLookAndFeel lookAndFeel;
    const juce::String tip ("Click or play a note to hear the kick. Drag out of the pad to export the processed kick as a WAV file.");
    const auto layout = vyl::VYLLookAndFeel::createTooltipLayout (tip, 238);
    const auto w = juce::roundToInt (layout.getWidth()) + 22;
    const auto h = juce::roundToInt (layout.getHeight()) + 16;
    ASSERT_LE (layout.getWidth(), 238.0f);
    ASSERT_GT (layout.getNumLines(), 1); // wraps at 238 px

    const juce::Rectangle<int> parent (0, 0, 400, 710);
    struct Case
    {
        juce::Point<int> mouse;
        int x, y;
    };
    const Case cases[] = {
        { { 300, 600 }, 300 - w - 12, 600 - h - 8 }, // lower right: above and left
        { { 50, 50 }, 70, 70 }, // upper left: right of and below
        { { 300, 50 }, 300 - w - 12, 70 }, // upper right
        { { 50, 600 }, 70, 600 - h - 8 }, // lower left
        { { 100, 355 }, 120, 375 }, // on the centre line counts as the upper half
    };

    for (const auto& c : cases)
        EXPECT_EQ (lookAndFeel.getTooltipBounds (tip, c.mouse, parent), juce::Rectangle<int> (c.x, c.y, w, h)) << c.mouse.toString();

    // A tip that would leave the parent is pushed back inside.
    const juce::Rectangle<int> small (0, 0, 300, 300);
    EXPECT_EQ (lookAndFeel.getTooltipBounds (tip, { 200, 50 }, small), juce::Rectangle<int> (0, 70, w, h));
    EXPECT_EQ (lookAndFeel.getTooltipBounds (tip, { 100, 290 }, small).getBottom(), 290 - 8);
}

TEST (VYLLookAndFeel, TooltipsWrapAt238Pixels)
{
    // Words of about 7 px fill each line to within a word of the wrap width, so the box
    // (text plus 11 px each side) is between 253 and 260 px wide; a short tip is narrower.
    vyl::VYLLookAndFeel lookAndFeel;
    const juce::Rectangle<int> parent (0, 0, 400, 710);
    const auto longTip = juce::String::repeatedString ("a ", 80).trim();
    const auto box = lookAndFeel.getTooltipBounds (longTip, { 10, 10 }, parent);

    EXPECT_LE (box.getWidth(), 238 + 22);
    EXPECT_GE (box.getWidth(), 238 + 22 - 7);
    EXPECT_LT (lookAndFeel.getTooltipBounds ("Redo", { 10, 10 }, parent).getWidth(), 80);
}

TEST (VYLLookAndFeel, TooltipDrawsBodyRimAndText)
{
    for (const auto dark : { true, false })
    {
        const zobtest::ScopedScheme scheme (dark);
        vyl::VYLLookAndFeel lookAndFeel;
        const juce::String tip ("Randomise TRANSIENT, PUNCH, LENGTH and TONE");
        const auto bounds = lookAndFeel.getTooltipBounds (tip, { 10, 10 }, { 0, 0, 400, 710 });

        juce::Image image (juce::Image::ARGB, bounds.getWidth(), bounds.getHeight() + 2, true, juce::SoftwareImageType());
        {
            juce::Graphics g (image);
            g.fillAll (juce::Colours::white);
            lookAndFeel.drawTooltip (g, tip, bounds.getWidth(), bounds.getHeight());
        }
        zobtest::saveSnapshot (image, dark ? "tooltip-dark" : "tooltip-light");

        EXPECT_LE (zobtest::colourDistance (image.getPixelAt (bounds.getWidth() / 2, 0), vyl::Palette::outline()), 12);
        EXPECT_LE (zobtest::colourDistance (image.getPixelAt (5, bounds.getHeight() / 2), vyl::Palette::panel()), 2);

        // Text in panelText somewhere inside the padding.
        int textPixels = 0;
        for (int y = 8; y < bounds.getHeight() - 8; ++y)
            for (int x = 11; x < bounds.getWidth() - 11; ++x)
                if (zobtest::colourDistance (image.getPixelAt (x, y), vyl::Palette::panelText()) < 40)
                    ++textPixels;
        EXPECT_GT (textPixels, 30);
    }
}

TEST (VYLLookAndFeel, TooltipTextStaysInsideItsBox)
{
    // Tips whose measured width lies just above a whole pixel: the box is sized from the
    // rounded width, and the text must still wrap as it was measured.
    const char* const tips[] = {
        "Remove this kick from your favorites",
        "Compare with the unprocessed kick (TRANSIENT, PUNCH, LENGTH and TONE bypassed)",
        "Detected key: A#1, 12 cents flat. The pitch is still moving where it was measured, so this is an estimate.",
        "Undo the last change",
        "Redo",
    };

    const zobtest::ScopedScheme scheme (true);
    vyl::VYLLookAndFeel lookAndFeel;

    for (const auto* tip : tips)
    {
        const auto bounds = lookAndFeel.getTooltipBounds (tip, { 10, 10 }, { 0, 0, 400, 710 });
        juce::Image image (juce::Image::ARGB, bounds.getWidth(), bounds.getHeight(), true, juce::SoftwareImageType());
        {
            juce::Graphics g (image);
            lookAndFeel.drawTooltip (g, tip, bounds.getWidth(), bounds.getHeight());
        }

        // Only the rim and the body lie in the 6 px next to each edge: no text there. The
        // text itself, and the body, are drawn further in.
        auto textPixelsNearEdges = 0, textPixelsInside = 0;
        for (int y = 0; y < image.getHeight(); ++y)
        {
            for (int x = 0; x < image.getWidth(); ++x)
            {
                const auto nearEdge = y < 6 || y >= image.getHeight() - 6 || x < 6 || x >= image.getWidth() - 6;
                if (zobtest::colourDistance (image.getPixelAt (x, y), vyl::Palette::panelText()) < 80)
                    ++(nearEdge ? textPixelsNearEdges : textPixelsInside);
            }
        }

        EXPECT_EQ (textPixelsNearEdges, 0) << tip;
        EXPECT_GT (textPixelsInside, 20) << tip;
        EXPECT_EQ (image.getPixelAt (7, image.getHeight() / 2), vyl::Palette::panel()) << tip;
    }
}
