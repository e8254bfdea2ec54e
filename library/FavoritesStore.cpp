#include "library/FavoritesStore.h"

#include "library/NoFollowFiles.h"
#include "library/XmlFiles.h"

namespace
{
constexpr const char* lockName = "CorvaleAudio_ZOB_Favorites";
constexpr const char* rootTag = "ZOB_FAVORITES";
constexpr const char* favoriteTag = "Favorite";
constexpr const char* idAttribute = "id";
constexpr const char* unreadableFilePrefix = "favorites-unreadable";

/** The favourite names the file holds. A file that is there and holds bytes but cannot be
    read (damaged, not XML, not readable by this user) reads as no names, with unreadable
    set: its bytes may be all that is left of the user's stars. */
juce::StringArray readFavorites (const juce::File& file, bool& unreadable)
{
    juce::StringArray names;
    unreadable = false;

    if (! file.existsAsFile())
        return names;

    const auto root = parseXmlFile (file);

    if (root == nullptr)
    {
        unreadable = file.getSize() > 0;
        return names;
    }

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

/** Renames an unreadable favourites file to "favorites-unreadable.xml" beside it (or the
    first free numbered name after it, never replacing anything), so the user can still
    recover it once a new list is written. False when it could not be kept. */
bool keepUnreadableFile (const juce::File& file)
{
    const auto folder = NoFollowFiles::openDirectory (file.getParentDirectory(), true);
    return NoFollowFiles::moveToFirstFreeChild (folder, file.getFileName(), unreadableFilePrefix, ".xml", false).isNotEmpty();
}

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

    auto wasFavorite = false;
    changeFavorites ([&] (juce::StringArray& names)
                     {
                         wasFavorite = names.contains (fileName);

                         if (wasFavorite)
                             names.removeString (fileName, false);
                         else
                             names.add (fileName);

                         return true; });
    return ! wasFavorite;
}

bool FavoritesStore::removeFavorite (const juce::String& fileName)
{
    if (fileName.isEmpty())
        return false;

    // A file that does not hold the name, an unreadable one among them, is not written.
    auto wasFavorite = false;
    changeFavorites ([&] (juce::StringArray& names)
                     {
                         wasFavorite = names.contains (fileName);
                         names.removeString (fileName, false);
                         return wasFavorite; });
    return wasFavorite;
}

void FavoritesStore::changeFavorites (const std::function<bool (juce::StringArray&)>& change)
{
    const ScopedFavoritesLock lock;
    auto unreadable = false;
    auto names = readFavorites (getFavoritesFile(), unreadable);

    // An unreadable file is never written over: it is kept aside first, and when that
    // fails it stays as it is (the list in memory still changes, as after a failed write).
    if (change (names) && (! unreadable || keepUnreadableFile (getFavoritesFile())))
        saveFavorites (names);

    fileNames = names;
}

bool FavoritesStore::isFavorite (const juce::String& fileName) const
{
    return fileNames.contains (fileName);
}

juce::StringArray FavoritesStore::loadFavorites() const
{
    auto unreadable = false;
    return readFavorites (getFavoritesFile(), unreadable);
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
