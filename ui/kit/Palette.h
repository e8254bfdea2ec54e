#pragma once

#include <juce_graphics/juce_graphics.h>

namespace vyl
{
/** The colour roles of the widget kit.

    Each role returns its colour for the scheme selected by uiDarkModeFlag at the moment it
    is called (true is dark), so drawing code calls them while it paints and keeps no copy.
    Message thread only.
*/
namespace Palette
{
    juce::Colour accent(); // value fills, pointers, lit meter segments, the pad
    juce::Colour accentBright(); // highlighted menu text, hovered icons, the pad's flash
    juce::Colour onAccent(); // text on accent-filled buttons
    juce::Colour textMuted(); // hints, badges, idle arrows, the combo-box arrow
    juce::Colour panel(); // boxes, popups, tooltips, the pad's disc
    juce::Colour panelText(); // text on panels, the unipolar thumb
    juce::Colour canvasText(); // the logo, knob titles, the tune value
    juce::Colour textSecondary(); // captions, value labels, icons at rest
    juce::Colour outline(); // rims, unlit meter segments
    juce::Colour separator(); // rules and dividers
    juce::Colour trackUnipolar(); // track of unipolar sliders
    juce::Colour trackBipolar(); // track of bipolar sliders, screw rims
} // namespace Palette
} // namespace vyl
