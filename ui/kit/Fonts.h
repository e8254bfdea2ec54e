#pragma once

#include <juce_graphics/juce_graphics.h>

#include <map>
#include <memory>

namespace vyl
{
/** The embedded type family "VYL UI Sans" in Regular, SemiBold and Bold, and the font
    factories every widget draws its text with.

    Typefaces are always made from the embedded blocks in memory, never looked up among
    the system's fonts. Message thread only.
*/
namespace Fonts
{
    /** Typefaces made from embedded font blocks, keyed by the address of the block.

        One instance is shared by everything that draws: owned through std::shared_ptr and
        found through a weak pointer, so it lives as long as someone holds it (the
        look-and-feel does, for its whole life) and every typeface is parsed once per cache.
    */
    class TypefaceCache
    {
    public:
        /** The live shared cache, or a new empty one when nobody holds it. */
        static std::shared_ptr<TypefaceCache> getShared();

        /** The typeface of the block at data (size bytes), made on the first request. */
        juce::Typeface::Ptr getOrCreate (const void* data, size_t size);

        size_t size() const { return typefaces.size(); }

    private:
        std::map<const void*, juce::Typeface::Ptr> typefaces;
    };

    /** The typeface of a font block, through the shared cache. With no cache held
        elsewhere, each call makes a fresh cache and a fresh typeface. */
    juce::Typeface::Ptr getTypeface (const void* data, size_t size);

    juce::Typeface::Ptr regularTypeface();
    juce::Typeface::Ptr semiBoldTypeface();
    juce::Typeface::Ptr boldTypeface();

    /** Fonts of the family at a height in pixels; horizontal scale 1, no extra kerning. */
    juce::Font regularFont (float height);
    juce::Font semiBoldFont (float height);
    juce::Font boldFont (float height);

    /** The font with trackingPx of letter spacing, as an extra kerning factor of
        trackingPx / height (0 when height is not positive). Pass the font's own height. */
    juce::Font withTracking (const juce::Font& font, float height, float trackingPx);
} // namespace Fonts
} // namespace vyl
