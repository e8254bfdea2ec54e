#include "ui/kit/VYLLookAndFeel.h"

#include "ui/kit/EmbeddedResources.h"
#include "ui/kit/Palette.h"
#include "ui/kit/UiDarkModeFlag.h"

namespace vyl
{
namespace
{
    constexpr float trackHeight = 5.0f;
    constexpr float trackCorner = 2.5f;
    constexpr float unipolarThumbDiameter = 15.0f;
    constexpr float bipolarThumbDiameter = 11.0f;
    constexpr int tooltipPaddingX = 11; // each side
    constexpr int tooltipPaddingY = 8; // top and bottom
    constexpr float tooltipCorner = 5.0f;

    bool isBipolar (const juce::Slider& slider)
    {
        return (bool) slider.getProperties().getWithDefault (VYLLookAndFeel::bipolarProperty, false);
    }

    // The point at angle (radians clockwise from twelve o'clock) and distance from a centre.
    juce::Point<float> pointAt (float cx, float cy, float angle, float distance)
    {
        return { cx + distance * std::sin (angle), cy - distance * std::cos (angle) };
    }
} // namespace

VYLLookAndFeel::VYLLookAndFeel()
    : typefaceCache (Fonts::TypefaceCache::getShared())
{
    applyColourScheme();
}

VYLLookAndFeel::~VYLLookAndFeel()
{
    typefaceCache.reset();
}

void VYLLookAndFeel::applyColourScheme()
{
    setColour (juce::ComboBox::backgroundColourId, Palette::panel());
    setColour (juce::ComboBox::textColourId, Palette::panelText());
    setColour (juce::ComboBox::outlineColourId, juce::Colour (0x00000000));
    setColour (juce::ComboBox::arrowColourId, Palette::textMuted());
    setColour (juce::ComboBox::buttonColourId, Palette::panel());
    setColour (juce::PopupMenu::backgroundColourId, Palette::panel().brighter (0.06f));
    setColour (juce::PopupMenu::textColourId, Palette::panelText());
    setColour (juce::PopupMenu::highlightedBackgroundColourId, Palette::accent().withAlpha ((juce::uint8) 0x38));
    setColour (juce::PopupMenu::highlightedTextColourId, Palette::accentBright());
    setColour (juce::Slider::textBoxTextColourId, Palette::textSecondary());
    setColour (juce::Slider::textBoxBackgroundColourId, juce::Colour (0x00000000));
    setColour (juce::Slider::textBoxOutlineColourId, juce::Colour (0x00000000));
    setColour (juce::Label::textColourId, Palette::textSecondary());
}

juce::Font VYLLookAndFeel::getTextButtonFont (juce::TextButton&, int buttonHeight)
{
    return Fonts::semiBoldFont (juce::jmin (0.42f * (float) buttonHeight, 18.0f)).withExtraKerningFactor (0.08f);
}

juce::Font VYLLookAndFeel::getPopupMenuFont() { return Fonts::regularFont (15.5f); }
juce::Font VYLLookAndFeel::getComboBoxFont (juce::ComboBox&) { return Fonts::regularFont (19.5f); }

// Every label of the canvas is drawn in Regular 17, whatever font it was given.
juce::Font VYLLookAndFeel::getLabelFont (juce::Label&) { return Fonts::regularFont (17.0f); }

int VYLLookAndFeel::getBipolarThumbRadius (const juce::Slider& slider)
{
    return isBipolar (slider) ? 6 : 8;
}

juce::Slider::SliderLayout VYLLookAndFeel::getSliderLayout (juce::Slider& slider)
{
    if (slider.getSliderStyle() != juce::Slider::LinearHorizontal)
        return juce::LookAndFeel_V2::getSliderLayout (slider);

    // The value range maps onto the width less one thumb radius at each end.
    const auto r = getBipolarThumbRadius (slider);
    juce::Slider::SliderLayout layout;
    layout.sliderBounds = { r, 0, juce::jmax (slider.getWidth() - 2 * r, 0), juce::jmax (slider.getHeight(), 0) };
    return layout;
}

void VYLLookAndFeel::drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos, float minSliderPos, float maxSliderPos, juce::Slider::SliderStyle style, juce::Slider& slider)
{
    if (style != juce::Slider::LinearHorizontal)
    {
        juce::LookAndFeel_V4::drawLinearSlider (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos, style, slider);
        return;
    }

    const auto bipolar = isBipolar (slider);
    const auto thumbDiameter = bipolar ? bipolarThumbDiameter : unipolarThumbDiameter;
    const auto left = (float) x;
    const auto right = (float) (x + width);
    const auto trackTop = (float) y + ((float) height - trackHeight) / 2.0f;

    g.setColour (bipolar ? Palette::trackBipolar() : Palette::trackUnipolar());
    g.fillRoundedRectangle (left, trackTop, (float) width, trackHeight, trackCorner);

    const auto pos = juce::jlimit (left, right, sliderPos);
    const auto origin = bipolar ? left + (float) width / 2.0f : left;

    if (std::abs (pos - origin) > 0.5f)
    {
        g.setColour (Palette::accent());
        g.fillRoundedRectangle (juce::jmin (pos, origin), trackTop, std::abs (pos - origin), trackHeight, trackCorner);
    }

    const auto thumbY = trackTop + trackHeight / 2.0f;
    g.setColour (bipolar ? Palette::accent() : Palette::panelText());
    g.fillEllipse (pos - thumbDiameter / 2.0f, thumbY - thumbDiameter / 2.0f, thumbDiameter, thumbDiameter);

    const auto rim = juce::jmax (thumbDiameter - 1.0f, 0.0f);
    g.setColour (Palette::panel().withAlpha ((juce::uint8) 0x8c));
    g.drawEllipse (pos - thumbDiameter / 2.0f + 0.5f, thumbY - thumbDiameter / 2.0f + 0.5f, rim, rim, 1.0f);
}

void VYLLookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPosProportional, float rotaryStartAngle, float rotaryEndAngle, juce::Slider&)
{
    const auto r = juce::jmax ((float) juce::jmin (width, height) / 2.0f - 11.0f, 6.0f);
    const auto cx = (float) x + (float) width / 2.0f;
    const auto cy = (float) y + (float) height / 2.0f;
    const auto span = rotaryEndAngle - rotaryStartAngle;
    const auto pointerAngle = rotaryStartAngle + sliderPosProportional * span;

    // Eleven scale ticks, both ends included.
    g.setColour (juce::Colour (uiDarkModeFlag ? 0xd98a8478u : 0xd92f2e29u));

    for (int i = 0; i <= 10; ++i)
    {
        const auto angle = rotaryStartAngle + ((float) i / 10.0f) * span;
        g.drawLine ({ pointAt (cx, cy, angle, 1.057f * r), pointAt (cx, cy, angle, 1.207f * r) }, 1.4f);
    }

    // A soft two-step drop shadow below and right of the knob.
    const auto a = 0.957f * r;
    const auto shadowX = cx + 0.03f * a;
    const auto shadowY = cy + 0.05f * a;
    auto fillDisc = [&g] (float centreX, float centreY, float diameter)
    {
        g.fillEllipse (centreX - diameter / 2.0f, centreY - diameter / 2.0f, diameter, diameter);
    };

    g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x0d));
    fillDisc (shadowX, shadowY, 2.0f * a * 1.045f);
    g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x21));
    fillDisc (shadowX, shadowY, 2.0f * a * 1.0225f);

    g.setColour (juce::Colour (0xffb4b0a8));
    fillDisc (cx, cy, 2.0f * 0.98f * a);

    // The face is drawn unrotated; only the pointer turns with the value.
    const auto face = getKnobImage();

    if (face.isValid())
    {
        g.setOpacity (1.0f);
        g.drawImage (face, (int) (cx - r), (int) (cy - r), (int) (2.0f * r), (int) (2.0f * r), 0, 0, face.getWidth(), face.getHeight(), false);
    }

    juce::Path pointer;
    pointer.startNewSubPath (pointAt (cx, cy, pointerAngle, 0.83f * r * 0.18f));
    pointer.lineTo (pointAt (cx, cy, pointerAngle, 0.83f * r * 0.86f));
    g.setColour (Palette::accent());
    g.strokePath (pointer, juce::PathStrokeType (juce::jmax (0.115f * r, 2.4f), juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
}

juce::TextLayout VYLLookAndFeel::createTooltipLayout (const juce::String& text, int maxWidth)
{
    juce::AttributedString string;
    string.setJustification (juce::Justification::centredLeft);
    string.setWordWrap (juce::AttributedString::byWord);
    string.append (text, Fonts::regularFont (13.0f), Palette::panelText());

    juce::TextLayout layout;
    layout.createLayout (string, (float) maxWidth);
    return layout;
}

juce::Rectangle<int> VYLLookAndFeel::getTooltipBounds (const juce::String& tipText, juce::Point<int> screenPos, juce::Rectangle<int> parentArea)
{
    const auto layout = createTooltipLayout (tipText, tooltipMaxTextWidth);
    const auto w = juce::roundToInt (layout.getWidth()) + 2 * tooltipPaddingX;
    const auto h = juce::roundToInt (layout.getHeight()) + 2 * tooltipPaddingY;

    // Open away from the nearer edges: above-left in the lower-right quarter, and so on.
    const auto x = screenPos.x > parentArea.getX() + parentArea.getWidth() / 2 ? screenPos.x - w - 12 : screenPos.x + 20;
    const auto y = screenPos.y > parentArea.getY() + parentArea.getHeight() / 2 ? screenPos.y - h - 8 : screenPos.y + 20;

    return juce::Rectangle<int> (x, y, w, h).constrainedWithin (parentArea);
}

void VYLLookAndFeel::drawTooltip (juce::Graphics& g, const juce::String& text, int width, int height)
{
    const auto w = (float) width;
    const auto h = (float) height;

    g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x4c));
    g.fillRoundedRectangle (0.0f, 1.5f, w, h, tooltipCorner);

    g.setColour (Palette::panel());
    g.fillRoundedRectangle (0.0f, 0.0f, w, h, tooltipCorner);

    g.setColour (Palette::outline());
    g.drawRoundedRectangle (0.5f, 0.5f, juce::jmax (w - 1.0f, 0.0f), juce::jmax (h - 1.0f, 0.0f), tooltipCorner, 1.0f);

    // The box was sized from the text's width rounded to whole pixels, which can be up to half
    // a pixel less than the text itself; wrapping at exactly the box's text width would then
    // push the last word of a line onto a line the box has no room for. One pixel of slack
    // (never beyond the tips' own wrap width) keeps the text wrapped as it was measured.
    const auto textWidth = width - 2 * tooltipPaddingX;
    const auto wrapWidth = juce::jmin (textWidth + 1, tooltipMaxTextWidth);
    createTooltipLayout (text, wrapWidth)
        .draw (g, { (float) tooltipPaddingX, (float) tooltipPaddingY, (float) juce::jmax (textWidth, 0), (float) juce::jmax (height - 2 * tooltipPaddingY, 0) });
}

juce::Image VYLLookAndFeel::getKnobImage()
{
    static const juce::Image image = []
    {
        const auto block = EmbeddedResources::knobPng();
        return juce::ImageCache::getFromMemory (block.data, (int) block.size);
    }();

    return image;
}
} // namespace vyl
