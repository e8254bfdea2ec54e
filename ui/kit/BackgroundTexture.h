#pragma once

#include <juce_graphics/juce_graphics.h>

/** The canvas background: a dark (or light) base with faint horizontal streaks and a barely
    visible vertical vignette, generated from a fixed seed so it is the same in every run.

    A member of the editor content, which draws getImage's result first of all in its paint.
    The image is cached for one size and one colour scheme and rebuilt when either changes.
    Message thread only.
*/
class BackgroundTexture
{
public:
    BackgroundTexture() = default;

    /** The texture for the wanted size (at least 1 x 1) in the current scheme; the reference
        stays valid until the next rebuild. */
    const juce::Image& getImage (int wantedWidth, int wantedHeight);

    static constexpr juce::int64 seed = 5181447;

private:
    juce::Image image;
    int width = 0;
    int height = 0;
    bool dark = false;

    void rebuild();
};
