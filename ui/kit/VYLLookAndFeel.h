#pragma once

#include "ui/kit/Fonts.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace vyl
{
/** The look-and-feel of the whole editor canvas and of its tooltip window: draws the
    linear and rotary sliders and the tooltips, and gives buttons, labels, combo boxes and
    popup menus the kit's fonts.

    Owned by value by the editor content, built before its widgets and destroyed after
    them. It holds the shared typeface cache for its whole life, so while it exists every
    embedded typeface is parsed once. Colours come from vyl::Palette at paint time; the
    colour ids are assigned by applyColourScheme, which the content calls again after
    every theme switch. Message thread only.
*/
class VYLLookAndFeel : public juce::LookAndFeel_V4
{
public:
    VYLLookAndFeel();
    ~VYLLookAndFeel() override;

    /** Assigns the colour ids of combo boxes, popup menus, slider text boxes and labels
        for the current scheme. */
    void applyColourScheme();

    juce::Font getTextButtonFont (juce::TextButton&, int buttonHeight) override;
    juce::Font getPopupMenuFont() override;
    juce::Font getComboBoxFont (juce::ComboBox&) override;
    juce::Font getLabelFont (juce::Label&) override;

    void drawLinearSlider (juce::Graphics&, int x, int y, int width, int height, float sliderPos, float minSliderPos, float maxSliderPos, juce::Slider::SliderStyle, juce::Slider&) override;
    void drawRotarySlider (juce::Graphics&, int x, int y, int width, int height, float sliderPosProportional, float rotaryStartAngle, float rotaryEndAngle, juce::Slider&) override;
    juce::Slider::SliderLayout getSliderLayout (juce::Slider&) override;

    juce::Rectangle<int> getTooltipBounds (const juce::String& tipText, juce::Point<int> screenPos, juce::Rectangle<int> parentArea) override;
    void drawTooltip (juce::Graphics&, const juce::String& text, int width, int height) override;

    /** 6 px for a slider whose "vylBipolar" property is true, else 8 px. */
    static int getBipolarThumbRadius (const juce::Slider&);

    /** The tooltip text laid out in Regular 13, wrapped by word at maxWidth. */
    static juce::TextLayout createTooltipLayout (const juce::String& text, int maxWidth);

    /** The knob face, decoded once per process from the embedded PNG; invalid when the
        data cannot be decoded (the knob then draws without a face). */
    static juce::Image getKnobImage();

    static constexpr const char* bipolarProperty = "vylBipolar";
    static constexpr int tooltipMaxTextWidth = 238;

private:
    std::shared_ptr<Fonts::TypefaceCache> typefaceCache;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VYLLookAndFeel)
};
} // namespace vyl
