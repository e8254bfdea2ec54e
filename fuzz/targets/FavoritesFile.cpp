// "favorites.xml" as anyone may have edited it: the list read from it holds no empty and no
// repeated name, and a favourite toggled twice leaves the same favourites.

#include "FuzzSupport.h"

#include "library/FavoritesStore.h"

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    zobfuzz::startProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    const auto file = FavoritesStore::getFavoritesFile();
    file.getParentDirectory().createDirectory();
    file.replaceWithData (data, size);

    FavoritesStore store;
    const auto loaded = store.fileNames;

    for (int i = 0; i < loaded.size(); ++i)
    {
        zobfuzz::check (loaded[i].isNotEmpty(), "no favourite is empty");
        zobfuzz::check (loaded.indexOf (loaded[i]) == i, "no favourite is listed twice");
    }

    const juce::String name ("Kick 01.wav");
    const auto wasFavorite = store.isFavorite (name);
    zobfuzz::check (store.toggleFavorite (name) != wasFavorite, "a toggle changes the star");
    zobfuzz::check (store.toggleFavorite (name) == wasFavorite, "a second toggle changes it back");

    auto before = loaded, after = store.fileNames;
    before.sort (false);
    after.sort (false);
    zobfuzz::check (before == after, "two toggles keep the same favourites");
    return 0;
}
