// Everything on the canvas that is not a widget: the background, screws, logo and tagline,
// the kick bar with its arrows, star and key badge, the TUNE scale, the OUTPUT box and the
// footer; over the widgets, the drop veil and the toast. Also the gear and header icons.

#include "engine/ParameterIds.h"
#include "engine/ZobAudioProcessor.h"
#include "ui/editor/ZobEditorContent.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Palette.h"
#include "ui/kit/UiDarkModeFlag.h"

namespace
{
using namespace vyl;

constexpr float screwSize = 11.0f;
constexpr float screwInset = 16.0f;
constexpr float kickBarCorner = 7.0f;
constexpr float separatorBrightness = 0.35f;

const juce::Rectangle<float> logoArea { 63.0f, 16.0f, 274.0f, 68.0f };
constexpr float logoAngleDegrees = -2.5f;
constexpr float logoStrokeThickness = 3.8f;
const juce::Rectangle<int> taglineArea { 40, 93, 320, 22 };
const char* const tagline = "SHAPE YOUR KICK";
constexpr float upperRuleY = 117.0f;
constexpr float lowerRuleY = 672.0f;

const juce::Rectangle<int> tuneCaptionArea { 20, 536, 140, 14 };
constexpr int tuneTickCount = 25;
constexpr float tuneTravelStart = 26.0f; // the tune slider's travel: its bounds less its thumb radius
constexpr float tuneTravelWidth = 348.0f;
constexpr float tuneTickTop = 571.0f;
const juce::Rectangle<int> tuneMinimumArea { 20, 578, 40, 12 };
const juce::Rectangle<int> tuneMaximumArea { 340, 578, 40, 12 };

const juce::Rectangle<float> outputBox { 20.0f, 599.0f, 360.0f, 65.0f };
const juce::Rectangle<int> outputCaptionArea { 35, 610, 62, 14 };
constexpr float outputDividerX = 102.0f;
const juce::Rectangle<int> footerArea { 20, 683, 360, 16 };

juce::Colour ruleColour() { return juce::Colour (uiDarkModeFlag ? 0xff2a2826 : 0xffa9a69c); }

juce::Font captionFont() { return Fonts::semiBoldFont (11.0f).withExtraKerningFactor (1.5f / 11.0f); }

void drawOutline (juce::Graphics& g, juce::Rectangle<float> box, float corner)
{
    g.setColour (Palette::outline());
    g.drawRoundedRectangle (box.getX() + 0.5f, box.getY() + 0.5f, box.getWidth() - 1.0f, box.getHeight() - 1.0f, corner, 1.0f);
}
} // namespace

//==============================================================================
void ZobEditorContent::paint (juce::Graphics& g)
{
    const auto width = (float) getWidth();
    const auto height = (float) getHeight();

    g.drawImageAt (backgroundTexture.getImage (getWidth(), getHeight()), 0, 0);

    for (const auto centre : { juce::Point<float> (screwInset, screwInset),
                               juce::Point<float> (width - screwInset, screwInset),
                               juce::Point<float> (screwInset, height - screwInset),
                               juce::Point<float> (width - screwInset, height - screwInset) })
        drawScrew (g, centre, screwSize);

    drawTextAsPath (g, "ZOB", logoArea, Fonts::boldFont (88.0f), Palette::canvasText(), logoAngleDegrees);

    g.setColour (Palette::accent());
    g.setFont (Fonts::boldFont (17.0f));
    g.drawText (tagline, taglineArea, juce::Justification::centred, true);

    g.setColour (ruleColour());
    g.drawLine (0.0f, upperRuleY, width, upperRuleY, 1.0f);

    // The kick bar.
    const auto bar = kickBarBounds.toFloat();
    g.setColour (Palette::panel());
    g.fillRoundedRectangle (bar, kickBarCorner);
    drawOutline (g, bar, kickBarCorner);

    const auto arrowsEnabled = ! browser.getVisibleItems().empty();
    drawArrow (g, prevArrowArea, true, prevArrowHovered, arrowsEnabled);
    drawArrow (g, nextArrowArea, false, nextArrowHovered, arrowsEnabled);

    if (processor->samplePath.isNotEmpty())
    {
        vyl::PresetBrowserPopup::drawStar (g, starBounds.toFloat(), isCurrentFavorite, starHovered);

        const auto shown = processor->getKickPitch().transposed (processor->getParameterValue (ParameterIds::tuneSemitones, 0.0f));

        if (shown.valid)
        {
            g.setColour (Palette::panelText());
            g.setFont (Fonts::semiBoldFont (15.0f));
            g.drawText (shown.displayText(), keyBadgeBounds, juce::Justification::centredRight, false);
        }
    }

    g.setColour (Palette::separator().brighter (separatorBrightness));
    const auto separatorTop = (float) kickBarBounds.getY() + 7.0f;
    const auto separatorBottom = (float) kickBarBounds.getBottom() - 7.0f;
    g.drawLine ((float) prevArrowArea.getRight(), separatorTop, (float) prevArrowArea.getRight(), separatorBottom, 1.0f);
    g.drawLine ((float) nextArrowArea.getX(), separatorTop, (float) nextArrowArea.getX(), separatorBottom, 1.0f);

    // The TUNE scale.
    g.setColour (Palette::textSecondary());
    g.setFont (captionFont());
    g.drawText ("TUNE", tuneCaptionArea, juce::Justification::centredLeft, true);

    for (int j = 0; j < tuneTickCount; ++j)
    {
        const auto x = tuneTravelStart + tuneTravelWidth * (float) j / (float) (tuneTickCount - 1);
        const auto isCentre = j == tuneTickCount / 2;
        g.setColour (isCentre ? Palette::textSecondary() : Palette::textSecondary().withAlpha ((juce::uint8) 0x61));
        g.fillRect (x - 0.5f, tuneTickTop, 1.0f, isCentre ? 8.0f : 5.0f);
    }

    g.setColour (Palette::textSecondary().withAlpha ((juce::uint8) 0xcc));
    g.setFont (Fonts::regularFont (10.0f).withExtraKerningFactor (0.06f));
    g.drawText ("-12", tuneMinimumArea, juce::Justification::centredLeft, true);
    g.drawText ("+12", tuneMaximumArea, juce::Justification::centredRight, true);

    // The OUTPUT box.
    g.setColour (Palette::panel());
    g.fillRoundedRectangle (outputBox, kickBarCorner);
    drawOutline (g, outputBox, kickBarCorner);

    g.setColour (Palette::textMuted());
    g.setFont (captionFont());
    g.drawText ("OUTPUT", outputCaptionArea, juce::Justification::centredLeft, true);

    g.setColour (Palette::separator().brighter (separatorBrightness));
    g.drawLine (outputDividerX, 611.0f, outputDividerX, 652.0f, 1.0f);

    g.setColour (ruleColour());
    g.drawLine (0.0f, lowerRuleY, width, lowerRuleY, 1.0f);

    g.setColour (Palette::textSecondary());
    g.setFont (Fonts::semiBoldFont (13.0f));
    g.drawText ("DEVELOPED BY CORVALE AUDIO", footerArea, juce::Justification::centred, true);
}

void ZobEditorContent::paintOverChildren (juce::Graphics& g)
{
    const auto width = getWidth();
    const auto height = getHeight();

    if (isDragOver)
    {
        g.setColour (Palette::panel().withAlpha ((juce::uint8) 0x8c));
        g.fillAll();
        g.setColour (Palette::accent());
        g.drawRoundedRectangle (8.0f, 8.0f, (float) juce::jmax (width - 16, 0), (float) juce::jmax (height - 16, 0), 10.0f, 2.5f);
        g.setColour (Palette::panelText());
        g.setFont (Fonts::boldFont (18.0f));
        g.drawFittedText ("DROP TO ADD YOUR KICKS", juce::Rectangle<int> (30, 0, juce::jmax (width - 60, 0), juce::jmax (height, 0)), juce::Justification::centred, 2);
        return;
    }

    if (toastText.isNotEmpty())
    {
        const auto box = toastBounds.toFloat();
        g.setColour (Palette::panel().withAlpha ((juce::uint8) 0xeb));
        g.fillRoundedRectangle (box, 8.0f);
        g.setColour (Palette::accent());
        g.drawRoundedRectangle (box, 8.0f, 1.2f);
        g.setColour (Palette::panelText());
        g.setFont (Fonts::boldFont (14.0f));
        g.drawText (toastText, toastBounds, juce::Justification::centred, true);
    }
}

//==============================================================================
void ZobEditorContent::drawArrow (juce::Graphics& g, juce::Rectangle<int> area, bool pointsLeft, bool hovered, bool enabled)
{
    const auto cx = (float) area.getX() + (float) area.getWidth() / 2.0f;
    const auto cy = (float) area.getY() + (float) area.getHeight() / 2.0f;
    const auto back = pointsLeft ? 3.0f : -3.0f;
    const auto tip = pointsLeft ? -3.6f : 3.6f;

    juce::Path arrow;
    arrow.addTriangle (cx + back, cy - 4.5f, cx + back, cy + 4.5f, cx + tip, cy);

    if (! enabled)
        g.setColour (Palette::textMuted().withAlpha ((juce::uint8) 0x4c));
    else
        g.setColour (hovered ? Palette::panelText() : Palette::textMuted());

    g.fillPath (arrow);
}

void ZobEditorContent::drawScrew (juce::Graphics& g, juce::Point<float> centre, float size)
{
    const auto r = size / 2.0f;
    const auto cx = centre.x;
    const auto cy = centre.y;

    g.setGradientFill (juce::ColourGradient (juce::Colour (uiDarkModeFlag ? 0xff6b6660 : 0xffe4e2da),
                                             cx - 0.45f * r,
                                             cy - 0.45f * r,
                                             juce::Colour (uiDarkModeFlag ? 0xff191714 : 0xffa5a299),
                                             cx + 0.5f * r,
                                             cy + 0.5f * r,
                                             false));
    g.fillEllipse (cx - r, cy - r, size, size);

    g.setColour (Palette::trackBipolar());
    const auto rim = juce::jmax (size - 0.8f, 0.0f);
    g.drawEllipse (cx - r + 0.4f, cy - r + 0.4f, rim, rim, 1.0f);

    g.setColour (juce::Colour (uiDarkModeFlag ? 0x99e9dac2 : 0x99242420));
    g.drawLine (cx - 0.52f * r, cy, cx + 0.52f * r, cy, 1.2f);
}

void ZobEditorContent::drawTextAsPath (juce::Graphics& g, const juce::String& text, juce::Rectangle<float> area, const juce::Font& font, juce::Colour colour, float angleDegrees)
{
    juce::GlyphArrangement glyphs;
    glyphs.addFittedText (font, text, area.getX(), area.getY(), area.getWidth(), area.getHeight(), juce::Justification::centred, 1, 1.0f);

    juce::Path path;
    glyphs.createPath (path);

    // Centre the visible glyphs, not the font's line box.
    const auto bounds = path.getBounds();

    if (bounds.getWidth() > 0.0f && bounds.getHeight() > 0.0f)
        path.applyTransform (juce::AffineTransform::translation (area.getCentre() - bounds.getCentre()));

    if (std::abs (angleDegrees) > 0.01f)
    {
        const auto centre = path.getBounds().getCentre();
        path.applyTransform (juce::AffineTransform::rotation (juce::degreesToRadians (angleDegrees), centre.x, centre.y));
    }

    g.setColour (colour);
    g.fillPath (path);
    g.strokePath (path, juce::PathStrokeType (logoStrokeThickness, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
}

//==============================================================================
ZobEditorContent::GearButton::GearButton()
    : juce::Button ("GearButton")
{
}

void ZobEditorContent::GearButton::paintButton (juce::Graphics& g, bool highlighted, bool down)
{
    const auto w = (float) juce::jmax (getWidth() - 2, 0);
    const auto h = (float) juce::jmax (getHeight() - 2, 0);
    const auto outer = juce::jmin (w, h) / 2.0f;
    const auto body = 0.62f * outer;
    const auto hole = 0.42f * body;
    const auto tooth = 0.62f * body;

    juce::Path gear;
    gear.setUsingNonZeroWinding (false);
    gear.addEllipse (-body, -body, 2.0f * body, 2.0f * body);

    for (int i = 0; i < 8; ++i)
    {
        juce::Path toothPath;
        toothPath.addRoundedRectangle (-tooth / 2.0f, -outer, tooth, outer - body + 1.0f, 0.12f * tooth);
        toothPath.applyTransform (juce::AffineTransform::rotation ((float) i * juce::MathConstants<float>::pi / 4.0f));
        gear.addPath (toothPath);
    }

    gear.addEllipse (-hole, -hole, 2.0f * hole, 2.0f * hole);
    gear.applyTransform (juce::AffineTransform::translation (w / 2.0f + 1.0f, h / 2.0f + 1.0f));

    g.setColour (highlighted || down ? Palette::accent() : Palette::textSecondary().withAlpha ((juce::uint8) 0xb2));
    g.fillPath (gear);
}

ZobEditorContent::HeaderIconButton::HeaderIconButton (int kindToDraw)
    : juce::Button ("HeaderIconButton")
    , kind (kindToDraw)
{
}

void ZobEditorContent::HeaderIconButton::paintButton (juce::Graphics& g, bool highlighted, bool down)
{
    using juce::MathConstants;

    if (! isEnabled()) // false also when a parent is disabled
        g.setColour (Palette::textSecondary().withAlpha ((juce::uint8) 0x47));
    else if (getToggleState() || down)
        g.setColour (Palette::accent());
    else if (highlighted)
        g.setColour (Palette::accentBright());
    else
        g.setColour (Palette::textSecondary());

    const auto w = (float) juce::jmax (getWidth() - 2, 0);
    const auto h = (float) juce::jmax (getHeight() - 2, 0);

    if (kind == 3)
    {
        const auto innerW = juce::jmax (w - 2.8f, 0.0f);
        const auto innerH = juce::jmax (h - 2.8f, 0.0f);
        const auto d = juce::jmin (innerW, innerH);
        const juce::Rectangle<float> circle (innerW / 2.0f + 2.4f - d / 2.0f, innerH / 2.0f + 2.4f - d / 2.0f, d, d);

        if (getToggleState())
        {
            g.fillEllipse (circle);
        }
        else
        {
            g.drawEllipse (circle, 1.6f);
            juce::Path half;
            half.addPieSegment (circle, MathConstants<float>::pi, MathConstants<float>::twoPi, 0.0f);
            g.fillPath (half);
        }

        return;
    }

    const auto innerW = juce::jmax (w - 3.0f, 0.0f);
    const auto innerH = juce::jmax (h - 3.0f, 0.0f);
    const auto cx = innerW / 2.0f + 2.5f;
    const auto cy = innerH / 2.0f + 2.5f;

    if (kind == 0)
    {
        g.drawRoundedRectangle (2.5f, 2.5f, innerW, innerH, 0.22f * innerW, 1.6f);
        const auto pip = 0.26f * innerW;
        const auto offset = 0.26f * innerW;

        for (int i = -1; i <= 1; ++i)
            g.fillEllipse (cx + (float) i * offset - pip / 2.0f, cy + (float) i * offset - pip / 2.0f, pip, pip);

        return;
    }

    const auto r = 0.4f * juce::jmin (innerW, innerH);
    const auto isUndo = kind == 1;
    const auto a0 = (isUndo ? 0.95f : -0.95f) * MathConstants<float>::pi;
    const auto a1 = (isUndo ? -0.62f : 0.62f) * MathConstants<float>::pi;

    juce::Path arc;
    arc.addCentredArc (cx, cy, r, r, 0.0f, a0, a1, true);
    g.strokePath (arc, juce::PathStrokeType (1.9f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));

    const juce::Point<float> end (cx + r * std::sin (a1), cy - r * std::cos (a1));
    const auto s = a1 > a0 ? 1.0f : -1.0f;
    const juce::Point<float> tangent (s * std::cos (a1), s * std::sin (a1));
    const juce::Point<float> normal (-s * std::sin (a1), s * std::cos (a1));
    const auto length = 0.95f * r;
    const auto tip = end + tangent * (0.55f * length);
    const auto base = end - tangent * (0.45f * length);
    const auto corner1 = base + normal * (0.4f * r);
    const auto corner2 = base - normal * (0.4f * r);

    juce::Path head;
    head.addTriangle (tip, corner1, corner2);
    g.fillPath (head);
}
