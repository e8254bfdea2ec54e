#include "library/FavoritesStore.h"

#include "library/XmlFiles.h"

namespace
{
constexpr const char* lockName = "CorvaleAudio_ZOB_Favorites";
constexpr const char* rootTag = "ZOB_FAVORITES";
constexpr const char* favoriteTag = "Favorite";
constexpr const char* idAttribute = "id";

/** Holds the favourites lock for one operation. The operation goes ahead even when the
    lock cannot be had (it waits without a time-out while another process holds it). */
struct ScopedFavoritesLock
{
    juce::InterProcessLock lock { lockName };
    juce::InterProcessLock::ScopedLockType scoped { lock };
};
} // namespace

FavoritesStore::FavoritesStore()
{
    reloadFavorites();
}

void FavoritesStore::reloadFavorites()
{
    const ScopedFavoritesLock lock;
    fileNames = loadFavorites();
}

bool FavoritesStore::toggleFavorite (const juce::String& fileName)
{
    if (fileName.isEmpty())
        return false;

    const ScopedFavoritesLock lock;
    auto names = loadFavorites();
    const auto wasFavorite = names.contains (fileName);

    if (wasFavorite)
        names.removeString (fileName, false);
    else
        names.add (fileName);

    saveFavorites (names);
    fileNames = names;
    return ! wasFavorite;
}

bool FavoritesStore::isFavorite (const juce::String& fileName) const
{
    return fileNames.contains (fileName);
}

juce::StringArray FavoritesStore::loadFavorites() const
{
    juce::StringArray names;
    const auto file = getFavoritesFile();

    if (! file.existsAsFile())
        return names;

    const auto root = parseXmlFile (file);

    if (root == nullptr)
        return names;

    for (auto* child : root->getChildIterator())
    {
        // Tag names match ignoring case, so hand-edited files with "favorite" still count.
        if (! child->getTagName().equalsIgnoreCase (favoriteTag))
            continue;

        const auto id = child->getStringAttribute (idAttribute);

        if (id.isNotEmpty())
            names.addIfNotAlreadyThere (id);
    }

    return names;
}

void FavoritesStore::saveFavorites (const juce::StringArray& names) const
{
    juce::XmlElement root (rootTag);

    for (const auto& name : names)
        root.createNewChildElement (favoriteTag)->setAttribute (idAttribute, name);

    const auto file = getFavoritesFile();
    file.getParentDirectory().createDirectory();
    root.writeTo (file);
}

juce::File FavoritesStore::getFavoritesFile()
{
    return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
        .getChildFile ("Corvale Audio")
        .getChildFile ("ZOB")
        .getChildFile ("favorites.xml");
}
