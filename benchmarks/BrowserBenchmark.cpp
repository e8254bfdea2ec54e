// Kick browser costs on the message thread, with 2,000 kicks on disk whose keys are cached:
// - Open: the kick selector hands over the items, the browser shows itself (reloading the
//   favourites file) and paints its first frame into an image of the 400 x 710 canvas;
// - ScrollStep: one wheel step over the list and the repaint that follows.
// Run: build/BrowserBenchmark
#include "library/FavoritesStore.h"
#include "library/KeyCache.h"
#include "ui/kit/PresetBrowserPopup.h"

#include <benchmark/benchmark.h>

namespace
{
constexpr int numKicks = 2000;

/** 2,000 small kick files (every fourth a user kick, every tenth a favourite) and a key cache
    file that knows them all. */
struct KickLibrary
{
    KickLibrary()
    {
        folder.createDirectory();
        juce::XmlElement cache ("ZOBKeyCache");

        for (int i = 0; i < numKicks; ++i)
        {
            const auto name = "Kick " + juce::String (i + 1).paddedLeft ('0', 4) + ".wav";
            const auto file = folder.getChildFile (name);
            file.replaceWithText ("not audio: only its size and time matter to the cache");
            items.push_back ({ file, name.dropLastCharacters (4), name, i % 4 == 0 });

            auto* key = cache.createNewChildElement ("KEY");
            key->setAttribute ("path", file.getFullPathName());
            key->setAttribute ("size", (double) file.getSize());
            key->setAttribute ("modified", (double) file.getLastModificationTime().toMilliseconds());
            key->setAttribute ("valid", 1);
            key->setAttribute ("note", 24 + i % 24);
            key->setAttribute ("approx", i % 3 == 0 ? 1 : 0);

            if (i % 10 == 0)
                favorites.toggleFavorite (name);
        }

        cacheFile = folder.getChildFile ("keycache.xml");
        cache.writeTo (cacheFile);
        keyCache.loadXml (cacheFile);
    }

    ~KickLibrary() { folder.deleteRecursively(); }

    juce::File folder { juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("zob-browser-benchmark-kicks") };
    juce::File cacheFile;
    std::vector<vyl::PresetBrowserPopup::Item> items;
    FavoritesStore favorites;
    vyl::KeyCache keyCache;
};

void paintInto (juce::Image& image, juce::Component& component)
{
    juce::Graphics g (image);
    component.paintEntireComponent (g, true);
}

void BM_BrowserOpen (benchmark::State& state)
{
    KickLibrary kicks;
    juce::Component canvas;
    canvas.setBounds (0, 0, 400, 710);

    for (auto _ : state)
    {
        vyl::PresetBrowserPopup browser (&kicks.favorites, &kicks.keyCache);
        canvas.addChildComponent (browser);
        auto items = kicks.items;
        browser.setItems (std::move (items));
        browser.setCurrentKick (kicks.items[5].path);
        browser.show();

        juce::Image image (juce::Image::ARGB, 400, 710, true, juce::SoftwareImageType());
        paintInto (image, browser);
        benchmark::DoNotOptimize (image.getPixelAt (200, 300));
        canvas.removeChildComponent (&browser);
    }
}
BENCHMARK (BM_BrowserOpen)->Unit (benchmark::kMillisecond);

void BM_BrowserScrollStep (benchmark::State& state)
{
    KickLibrary kicks;
    juce::Component canvas;
    canvas.setBounds (0, 0, 400, 710);
    vyl::PresetBrowserPopup browser (&kicks.favorites, &kicks.keyCache);
    canvas.addChildComponent (browser);
    browser.setItems (kicks.items);
    browser.show();

    juce::Image image (juce::Image::ARGB, 400, 710, true, juce::SoftwareImageType());
    paintInto (image, browser);

    // The rows must show their keys, or the repaint would be cheaper than the real one.
    if (! browser.getTooltipAt (browser.getKeyBadgeBounds (0).getCentre()).startsWith ("This kick is in"))
        state.SkipWithError ("the key cache does not know the kicks");

    const juce::Point<float> overList { 200.0f, 350.0f };
    const auto event = juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), overList, {}, juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f, &browser, &browser, juce::Time::getCurrentTime(), overList, juce::Time::getCurrentTime(), 1, false);
    int step = 0;

    for (auto _ : state)
    {
        // Down the list and back, so every step moves it.
        const auto down = (step++ / 200) % 2 == 0;
        juce::MouseWheelDetails wheel { 0.0f, down ? -0.25f : 0.25f, false, false, false };
        browser.mouseWheelMove (event, wheel);
        paintInto (image, browser);
        benchmark::DoNotOptimize (image.getPixelAt (200, 300));
    }
}
BENCHMARK (BM_BrowserScrollStep)->Unit (benchmark::kMillisecond);
} // namespace
