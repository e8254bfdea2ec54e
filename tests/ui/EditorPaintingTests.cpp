// The painted canvas of the real editor, in both colour schemes, checked at points whose
// colour the painting fixes. The grain overlay is hidden for the exact checks and then
// shown, where it may move a colour by its opacity of 0.12 and no more.

#include "ui/EditorFixture.h"
#include "ui/kit/Palette.h"

#include <gtest/gtest.h>

namespace
{
using vyl::Palette::accent;
using vyl::Palette::outline;
using vyl::Palette::panel;
using vyl::Palette::panelText;
using vyl::Palette::textMuted;

constexpr int grainTolerance = 32; // 0.12 of 255, and a little

void fakePitch (ZobAudioProcessor& processor, bool valid)
{
    KickPitchResult result;
    result.valid = valid;
    result.note = 33;
    result.hz = 55.0;
    const juce::SpinLock::ScopedLockType lock (processor.kickPitchLock);
    processor.kickPitch = result;
}

juce::Colour pixel (const juce::Image& image, int x, int y) { return image.getPixelAt (x, y); }

/** Pixels of area within tolerance of colour. */
int countNear (const juce::Image& image, juce::Rectangle<int> area, juce::Colour colour, int tolerance)
{
    int count = 0;

    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (zobtest::colourDistance (pixel (image, x, y), colour) <= tolerance)
                ++count;

    return count;
}

struct Point
{
    const char* what;
    int x, y;
    juce::Colour colour;
};
} // namespace

TEST (EditorPainting, CanvasColoursAtFixedPointsInBothSchemes)
{
    for (const auto dark : { false, true })
    {
        SCOPED_TRACE (dark ? "dark" : "light");
        zobtest::EditorFixture fixture;
        fixture.editor->setDarkMode (dark);
        auto& content = fixture.content();
        fakePitch (fixture.processor, true);
        content.grainOverlay.setVisible (false);
        const auto image = zobtest::render (content);
        zobtest::saveSnapshot (image, dark ? "editor-dark-plain" : "editor-light-plain");

        const Point points[] = {
            { "kick bar inside", 100, 127, panel() },
            { "kick bar rim", 20, 141, outline() },
            { "kick bar rim, right", 379, 141, outline() },
            { "output box inside", 60, 655, panel() },
            { "output box rim", 200, 599, outline() },
            { "previous arrow", 43, 141, textMuted() },
            { "next arrow", 357, 141, textMuted() },
        };

        for (const auto& p : points)
            EXPECT_LE (zobtest::colourDistance (pixel (image, p.x, p.y), p.colour), 3) << p.what;

        // The background is the scheme's texture: between its two base colours.
        const auto base0 = juce::Colour (dark ? 0xff1d1c1b : 0xffc5c3ba);
        const auto base1 = juce::Colour (dark ? 0xff272524 : 0xffdeddd5);
        const auto background = pixel (image, 5, 300);
        EXPECT_GE (background.getRed(), base0.getRed() - 6);
        EXPECT_LE (background.getRed(), base1.getRed() + 6);

        // The logo in canvasText, the key badge in panelText, the tagline in accent.
        EXPECT_GT (countNear (image, { 63, 16, 274, 68 }, vyl::Palette::canvasText(), 8), 1500);
        EXPECT_GT (countNear (image, { 293, 124, 36, 35 }, panelText(), 40), 8);
        EXPECT_GT (countNear (image, { 40, 93, 320, 22 }, accent(), 40), 100);

        // TUNE's centre tick is 8 px tall and opaque; the others 5 px at alpha 0x61.
        const auto tickAt = [&image] (int x, int y)
        { return zobtest::colourDistance (pixel (image, x, y), pixel (image, x + 3, y)); };
        EXPECT_GT (tickAt (200, 577), 15); // centre tick, below where the others end
        EXPECT_LT (tickAt (26, 577), 6);
        EXPECT_GT (tickAt (26, 573), 3);
        EXPECT_GT (tickAt (200, 573), tickAt (26, 573));

        // Without a clear pitch the badge area stays empty panel.
        fakePitch (fixture.processor, false);
        const auto noBadge = zobtest::render (content);
        EXPECT_EQ (countNear (noBadge, { 293, 124, 36, 35 }, panel(), 2), 36 * 35);

        // The grain moves nothing by more than its opacity.
        fakePitch (fixture.processor, true);
        content.grainOverlay.setVisible (true);
        const auto grained = zobtest::render (content);
        zobtest::saveSnapshot (grained, dark ? "editor-dark" : "editor-light");

        for (const auto& p : points)
            EXPECT_LE (zobtest::colourDistance (pixel (grained, p.x, p.y), p.colour), grainTolerance) << p.what;
    }
}

TEST (EditorPainting, DropVeilAndToastLieOverEverything)
{
    for (const auto dark : { false, true })
    {
        SCOPED_TRACE (dark ? "dark" : "light");
        zobtest::EditorFixture fixture;
        fixture.editor->setDarkMode (dark);
        auto& content = fixture.content();
        const auto plain = zobtest::render (content);

        // The toast box over the pad's centre line, with its accent rim.
        content.showToast ("2 kicks added");
        const auto toast = zobtest::render (content);
        zobtest::saveSnapshot (toast, dark ? "toast-dark" : "toast-light");
        EXPECT_GT (zobtest::colourDistance (pixel (plain, 112, 424), panel()), grainTolerance);
        EXPECT_LE (zobtest::colourDistance (pixel (toast, 112, 424), panel()), 24);
        const auto rim = panel().interpolatedWith (accent(), 0.6f); // the 1.2 px line covers 0.6 of row 407
        EXPECT_GT (countNear (toast, { 115, 407, 170, 1 }, rim, 30), 150);
        EXPECT_GT (countNear (toast, { 120, 412, 160, 24 }, panelText(), 40), 30);

        // The veil wins over the toast and covers the open settings panel too.
        content.settingsPanel.setVisible (true);
        content.settingsPanel.toFront (false);
        content.isDragOver = true;
        const auto veil = zobtest::render (content);
        zobtest::saveSnapshot (veil, dark ? "veil-dark" : "veil-light");
        EXPECT_LE (zobtest::colourDistance (pixel (veil, 8, 355), accent()), 3);
        EXPECT_LE (zobtest::colourDistance (pixel (veil, 391, 355), accent()), 3);
        EXPECT_GT (countNear (veil, { 30, 340, 340, 30 }, panelText(), 40), 100);
        EXPECT_LT (countNear (veil, { 115, 407, 170, 1 }, panel().interpolatedWith (accent(), 0.6f), 30), 10); // no toast
        const auto under = pixel (plain, 200, 60);
        const auto veiled = pixel (veil, 200, 60);
        EXPECT_LE (zobtest::colourDistance (veiled, under.interpolatedWith (panel(), 0x8c / 255.0f)), 4);
    }
}

TEST (EditorPainting, HeaderIconsFollowTheirState)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    content.grainOverlay.setVisible (false);

    // A disabled undo is faint; once enabled it is drawn in textSecondary.
    const auto iconInk = [&content] (juce::Component& button, juce::Colour colour)
    {
        return countNear (zobtest::render (content), button.getBounds(), colour, 30);
    };

    const auto secondary = vyl::Palette::textSecondary();
    EXPECT_EQ (iconInk (content.undoButton, secondary), 0);
    content.randomiseButton.onClick();
    EXPECT_GT (iconInk (content.undoButton, secondary), 10);

    // Compare: a ring with its left half filled when off, a full disc when on.
    auto compareFill = [&content]
    {
        const auto image = zobtest::render (content);
        const auto b = content.compareButton.getBounds();
        return std::make_pair (pixel (image, b.getX() + 7, b.getCentreY()), pixel (image, b.getX() + 14, b.getCentreY()));
    };

    const auto off = compareFill();
    EXPECT_LE (zobtest::colourDistance (off.first, secondary), 30);
    EXPECT_GT (zobtest::colourDistance (off.second, secondary), 30);
    content.compareButton.setToggleState (true, juce::dontSendNotification);
    const auto on = compareFill();
    EXPECT_LE (zobtest::colourDistance (on.first, accent()), 30);
    EXPECT_LE (zobtest::colourDistance (on.second, accent()), 30);
}
