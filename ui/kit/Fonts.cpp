#include "ui/kit/Fonts.h"

#include "ui/kit/EmbeddedResources.h"

namespace vyl::Fonts
{
namespace
{
    /** Finds the shared cache; created on the first request, kept until the program exits. */
    struct CacheFinder
    {
        juce::SpinLock lock;
        std::weak_ptr<TypefaceCache> cache;
    };

    CacheFinder& finder()
    {
        static CacheFinder instance;
        return instance;
    }

    juce::Typeface::Ptr typefaceOf (EmbeddedBlock block)
    {
        return getTypeface (block.data, block.size);
    }

    juce::Font fontOf (juce::Typeface::Ptr typeface, float height)
    {
        juce::Font font (typeface);
        font.setHeight (height);
        return font;
    }
} // namespace

std::shared_ptr<TypefaceCache> TypefaceCache::getShared()
{
    auto& f = finder();
    const juce::SpinLock::ScopedLockType scope (f.lock);

    if (auto live = f.cache.lock())
        return live;

    auto created = std::make_shared<TypefaceCache>();
    f.cache = created;
    return created;
}

juce::Typeface::Ptr TypefaceCache::getOrCreate (const void* data, size_t size)
{
    if (auto found = typefaces.find (data); found != typefaces.end())
        return found->second;

    auto typeface = juce::Typeface::createSystemTypefaceFor (data, size);
    typefaces.emplace (data, typeface);
    return typeface;
}

juce::Typeface::Ptr getTypeface (const void* data, size_t size)
{
    return TypefaceCache::getShared()->getOrCreate (data, size);
}

juce::Typeface::Ptr regularTypeface() { return typefaceOf (EmbeddedResources::uiSansRegularTtf()); }
juce::Typeface::Ptr semiBoldTypeface() { return typefaceOf (EmbeddedResources::uiSansSemiBoldTtf()); }
juce::Typeface::Ptr boldTypeface() { return typefaceOf (EmbeddedResources::uiSansBoldTtf()); }

juce::Font regularFont (float height) { return fontOf (regularTypeface(), height); }
juce::Font semiBoldFont (float height) { return fontOf (semiBoldTypeface(), height); }
juce::Font boldFont (float height) { return fontOf (boldTypeface(), height); }

juce::Font withTracking (const juce::Font& font, float height, float trackingPx)
{
    return font.withExtraKerningFactor (height > 0.0f ? trackingPx / height : 0.0f);
}
} // namespace vyl::Fonts
