#include "UiTestHelpers.h"
#include "ui/kit/Palette.h"

#include <gtest/gtest.h>

namespace
{
struct RoleCase
{
    const char* name;
    juce::Colour (*role)();
    juce::uint32 dark, light;
};

const RoleCase roleCases[] = {
    { "accent", vyl::Palette::accent, 0xffec6b21, 0xffec6b21 },
    { "accentBright", vyl::Palette::accentBright, 0xffff843d, 0xffff843d },
    { "onAccent", vyl::Palette::onAccent, 0xff2a1206, 0xff2a1206 },
    { "textMuted", vyl::Palette::textMuted, 0xff8a8074, 0xff8a8074 },
    { "panel", vyl::Palette::panel, 0xff161513, 0xff20211d },
    { "panelText", vyl::Palette::panelText, 0xffe9dac2, 0xffdddad0 },
    { "canvasText", vyl::Palette::canvasText, 0xffefe9dc, 0xff242420 },
    { "textSecondary", vyl::Palette::textSecondary, 0xffb4ae9f, 0xff55534b },
    { "outline", vyl::Palette::outline, 0xff433c34, 0xff3a3b35 },
    { "separator", vyl::Palette::separator, 0xff34302a, 0xff2e2f2a },
    { "trackUnipolar", vyl::Palette::trackUnipolar, 0xff5c351e, 0xff5c351e },
    { "trackBipolar", vyl::Palette::trackBipolar, 0xff413f3d, 0xff8e897f },
};
} // namespace

TEST (Palette, EveryRoleFollowsTheFlagAtTheMomentItIsCalled)
{
    for (const auto& c : roleCases)
    {
        {
            const zobtest::ScopedScheme dark (true);
            EXPECT_EQ (c.role().getARGB(), c.dark) << c.name << " (dark)";
        }
        {
            const zobtest::ScopedScheme light (false);
            EXPECT_EQ (c.role().getARGB(), c.light) << c.name << " (light)";
        }
    }
}

TEST (Palette, DerivedColoursTruncateLikeJuce)
{
    struct Derived
    {
        juce::Colour (*role)();
        float brighter;
        juce::uint32 dark, light;
    };

    const Derived derived[] = {
        { vyl::Palette::panel, 0.06f, 0xff232220, 0xff2c2d29 },
        { vyl::Palette::separator, 0.35f, 0xff686561, 0xff646461 },
        { vyl::Palette::outline, 0.18f, 0xff5f5952, 0xff585853 },
        { vyl::Palette::outline, 0.25f, 0xff68635c, 0xff61625d },
    };

    for (const auto& d : derived)
    {
        {
            const zobtest::ScopedScheme dark (true);
            EXPECT_EQ (d.role().brighter (d.brighter).getARGB(), d.dark);
        }
        {
            const zobtest::ScopedScheme light (false);
            EXPECT_EQ (d.role().brighter (d.brighter).getARGB(), d.light);
        }
    }

    const zobtest::ScopedScheme dark (true);
    EXPECT_EQ (vyl::Palette::panel().darker (0.25f).getARGB(), 0xff11100fu);
    EXPECT_EQ (vyl::Palette::textMuted().brighter (0.45f).getARGB(), 0xffaea79fu);
}
