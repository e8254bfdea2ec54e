#pragma once

#include <juce_core/juce_core.h>

#include <functional>

/** The user's favourite kicks: kick file names (with extension, without folder) kept in
    "favorites.xml" in the per-user program folder and shared by every instance of the
    program on the machine, standalone and plug-in alike.

    A kick is a favourite by its file name, so a factory kick and a user kick of one name
    share one star. Every change is a read-modify-write of the file under the inter-process
    lock "CorvaleAudio_ZOB_Favorites", so instances toggling at the same time never lose each
    other's changes; another instance's change reaches this list at the next reload or toggle.

    Owned by the processor; used on the message thread only.
*/
class FavoritesStore
{
public:
    /** Starts empty, then reloads the list from the file. */
    FavoritesStore();

    /** Replaces fileNames by what the file holds now. */
    void reloadFavorites();

    /** Adds the name when the file does not hold it, else removes it; returns true when the
        name is a favourite afterwards. An empty name is never a favourite: it returns false
        and touches nothing. A file that is there but cannot be read is renamed to
        "favorites-unreadable.xml" (or the first free "favorites-unreadableN.xml") before
        the new list is written, so that what it held can still be recovered. */
    bool toggleFavorite (const juce::String& fileName);

    /** Takes the name out of the file when the file holds it, and never adds it: what the
        file holds now counts, not this instance's list, which another instance may have
        changed since. fileNames then follows the file. Returns whether the name was a
        favourite. An empty name touches nothing. */
    bool removeFavorite (const juce::String& fileName);

    /** Whether fileNames holds the name (case-sensitive); reads memory only. */
    bool isFavorite (const juce::String& fileName) const;

    /** Reads the file: each "Favorite" child's "id", in order, without empty or repeated
        names. A missing or unparsable file reads as an empty list. Call inside the lock. */
    juce::StringArray loadFavorites() const;

    /** Writes the list as the file. Failures are ignored. Call inside the lock. */
    void saveFavorites (const juce::StringArray& names) const;

    /** ~/.config/Corvale Audio/ZOB/favorites.xml on Linux. */
    static juce::File getFavoritesFile();

    /** The favourite file names in file order; read directly by the editor and the browser. */
    juce::StringArray fileNames;

private:
    /** One read-modify-write of the file under the lock: change edits the list the file holds
        now and says whether it changed it; a changed list is written, and fileNames takes it. */
    void changeFavorites (const std::function<bool (juce::StringArray&)>& change);
};
