#include "ui/kit/Palette.h"

#include "ui/kit/UiDarkModeFlag.h"

namespace vyl::Palette
{
namespace
{
    juce::Colour pick (juce::uint32 dark, juce::uint32 light)
    {
        return juce::Colour (uiDarkModeFlag ? dark : light);
    }
} // namespace

juce::Colour accent() { return pick (0xffec6b21, 0xffec6b21); }
juce::Colour accentBright() { return pick (0xffff843d, 0xffff843d); }
juce::Colour onAccent() { return pick (0xff2a1206, 0xff2a1206); }
juce::Colour textMuted() { return pick (0xff8a8074, 0xff8a8074); }
juce::Colour panel() { return pick (0xff161513, 0xff20211d); }
juce::Colour panelText() { return pick (0xffe9dac2, 0xffdddad0); }
juce::Colour canvasText() { return pick (0xffefe9dc, 0xff242420); }
juce::Colour textSecondary() { return pick (0xffb4ae9f, 0xff55534b); }
juce::Colour outline() { return pick (0xff433c34, 0xff3a3b35); }
juce::Colour separator() { return pick (0xff34302a, 0xff2e2f2a); }
juce::Colour trackUnipolar() { return pick (0xff5c351e, 0xff5c351e); }
juce::Colour trackBipolar() { return pick (0xff413f3d, 0xff8e897f); }
} // namespace vyl::Palette
