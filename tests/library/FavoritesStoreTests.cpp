#include "library/FavoritesStore.h"
#include "library/NoFollowFiles.h"

#include "engine/ZobAudioProcessor.h"

#include "support/ChildProcess.h"
#include "support/JucePrinters.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const juce::String crlf ("\r\n");
const juce::String declaration ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");

juce::String fileBytes()
{
    juce::MemoryBlock bytes;
    FavoritesStore::getFavoritesFile().loadFileAsData (bytes);
    return bytes.toString();
}

void writeFavoritesFile (const juce::String& text)
{
    const auto file = FavoritesStore::getFavoritesFile();
    file.getParentDirectory().createDirectory();
    file.replaceWithText (text);
}

/** Writes the bytes as they are (text that need not be UTF-8). */
void writeFavoritesBytes (const char* bytes)
{
    const auto file = FavoritesStore::getFavoritesFile();
    file.getParentDirectory().createDirectory();
    ASSERT_TRUE (file.replaceWithData (bytes, std::strlen (bytes)));
}

juce::StringArray numberedNames (const juce::String& stem, int count)
{
    juce::StringArray names;

    for (int i = 0; i < count; ++i)
        names.add (stem + " " + juce::String (i) + ".wav");

    return names;
}

constexpr int namesPerProcess = 40;
} // namespace

// Child: waits for the parent's go signal, then stars its own kicks one by one.
ZOBTEST_CHILD_ROUTINE (FavoritesToggler)
{
    const juce::File ready (arguments[0]), go (arguments[1]);
    ready.create();

    if (! zobtest::waitForFile (go))
        return 2;

    FavoritesStore store;

    for (const auto& name : numberedNames ("Child", namesPerProcess))
        if (! store.toggleFavorite (name))
            return 3;

    return 0;
}

// Child: holds the favourites lock and, inside it, rewrites the file slowly, as another
// instance in the middle of its own toggle would.
ZOBTEST_CHILD_ROUTINE (FavoritesLockHolder)
{
    const juce::File held (arguments[0]);
    const FavoritesStore reader; // made before the lock: its constructor takes the lock itself
    juce::InterProcessLock lock ("CorvaleAudio_ZOB_Favorites");

    if (! lock.enter())
        return 2;

    held.create();
    juce::Thread::sleep (400);
    auto names = reader.loadFavorites();
    names.add ("Child.wav");
    reader.saveFavorites (names);
    lock.exit();
    return 0;
}

TEST (FavoritesStore, ToggleWritesTheExactFileAndKeepsOrder)
{
    const zobtest::ScopedTempHome home;
    FavoritesStore store;

    EXPECT_TRUE (store.fileNames.isEmpty());
    EXPECT_EQ (FavoritesStore::getFavoritesFile(), home.userFolder().getChildFile ("favorites.xml"));
    EXPECT_FALSE (FavoritesStore::getFavoritesFile().exists());

    EXPECT_TRUE (store.toggleFavorite ("Deep 01.wav"));
    EXPECT_TRUE (store.toggleFavorite ("Kick & \"Snap\".wav"));
    EXPECT_EQ (fileBytes(),
               declaration + crlf + crlf
                   + "<ZOB_FAVORITES>" + crlf
                   + "  <Favorite id=\"Deep 01.wav\"/>" + crlf
                   + "  <Favorite id=\"Kick &amp; &quot;Snap&quot;.wav\"/>" + crlf
                   + "</ZOB_FAVORITES>" + crlf);
    EXPECT_EQ (store.fileNames, juce::StringArray ("Deep 01.wav", "Kick & \"Snap\".wav"));

    EXPECT_FALSE (store.toggleFavorite ("Deep 01.wav"));
    EXPECT_TRUE (store.toggleFavorite ("Deep 01.wav"));
    EXPECT_EQ (store.fileNames, juce::StringArray ("Kick & \"Snap\".wav", "Deep 01.wav"));

    EXPECT_FALSE (store.toggleFavorite ("Kick & \"Snap\".wav"));
    EXPECT_FALSE (store.toggleFavorite ("Deep 01.wav"));
    EXPECT_EQ (fileBytes(), declaration + crlf + crlf + "<ZOB_FAVORITES/>" + crlf);
    EXPECT_TRUE (store.fileNames.isEmpty());
}

TEST (FavoritesStore, ReadsHandEditedAndBrokenFiles)
{
    struct Case
    {
        const char* description;
        const char* fileText; // nullptr: no file at all
        juce::StringArray expected;
    };

    const Case cases[] = {
        { "missing file", nullptr, {} },
        { "unparsable", "<ZOB_FAVORITES><Favorite id=\"A.wav\"", {} },
        { "not XML at all", "\x01\x02garbage", {} },
        { "empty file", "", {} },
        { "repeated ids read once", "<ZOB_FAVORITES><Favorite id=\"A.wav\"/><Favorite id=\"B.wav\"/><Favorite id=\"A.wav\"/></ZOB_FAVORITES>", { "A.wav", "B.wav" } },
        { "tags in any case", "<ZOB_FAVORITES><favorite id=\"A.wav\"/><FAVORITE id=\"B.wav\"/></ZOB_FAVORITES>", { "A.wav", "B.wav" } },
        { "ids differing in case are different", "<ZOB_FAVORITES><Favorite id=\"a.wav\"/><Favorite id=\"A.wav\"/></ZOB_FAVORITES>", { "a.wav", "A.wav" } },
        { "other root name", "<Stars><Favorite id=\"A.wav\"/></Stars>", { "A.wav" } },
        { "empty, missing and miscased ids and other tags skipped", "<ZOB_FAVORITES><Favorite id=\"\"/><Favorite/><Favorite ID=\"X.wav\"/><Kick id=\"K.wav\"/><Favorite id=\"C.wav\"/></ZOB_FAVORITES>", { "C.wav" } },
    };

    for (const auto& c : cases)
    {
        const zobtest::ScopedTempHome home;

        if (c.fileText != nullptr)
            writeFavoritesFile (c.fileText);

        const FavoritesStore store;
        EXPECT_EQ (store.fileNames, c.expected) << c.description;
    }
}

TEST (FavoritesStore, ToggleRemovesEveryCopyAndReplacesBrokenFiles)
{
    const zobtest::ScopedTempHome home;
    writeFavoritesFile ("<ZOB_FAVORITES><Favorite id=\"A.wav\"/><Favorite id=\"B.wav\"/><Favorite id=\"A.wav\"/></ZOB_FAVORITES>");

    FavoritesStore store;
    EXPECT_FALSE (store.toggleFavorite ("A.wav"));
    EXPECT_EQ (store.fileNames, juce::StringArray ("B.wav"));
    EXPECT_EQ (store.loadFavorites(), juce::StringArray ("B.wav"));
    EXPECT_FALSE (fileBytes().contains ("A.wav"));

    writeFavoritesFile ("not xml");
    EXPECT_TRUE (store.toggleFavorite ("C.wav"));
    EXPECT_EQ (store.loadFavorites(), juce::StringArray ("C.wav"));
}

TEST (FavoritesStore, AFileWithAByteOrderMarkKeepsEveryStar)
{
    const zobtest::ScopedTempHome home;
    const char text[] = "\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                        "<ZOB_FAVORITES><Favorite id=\"A.wav\"/><Favorite id=\"B.wav\"/></ZOB_FAVORITES>\r\n";
    const auto file = FavoritesStore::getFavoritesFile();
    ASSERT_TRUE (file.create() && file.replaceWithData (text, sizeof (text) - 1));

    FavoritesStore store;
    EXPECT_EQ (store.fileNames, juce::StringArray ("A.wav", "B.wav"));
    EXPECT_TRUE (store.toggleFavorite ("C.wav"));
    EXPECT_EQ (store.loadFavorites(), juce::StringArray ("A.wav", "B.wav", "C.wav"));
    EXPECT_EQ (zobtest::childNames (home.userFolder()), juce::StringArray ("favorites.xml"));
}

TEST (FavoritesStore, AnUnreadableFileIsKeptBesideTheNewList)
{
    const zobtest::ScopedTempHome home;
    const auto folder = home.userFolder();
    FavoritesStore store;

    // Each unreadable file is renamed to the first free name, never over another one (nor
    // through a link planted under a name); the toggle then writes the new list.
    const char* const unreadable[] = { "<ZOB_FAVORITES><Favorite id=\"A.wav\"", "\x01\x02 not XML", "<Stars>\xff</Stars>" };
    ASSERT_TRUE (folder.createDirectory());
    ASSERT_EQ (::symlink ("/nonexistent/target.xml", folder.getChildFile ("favorites-unreadable3.xml").getFullPathName().toRawUTF8()), 0);

    for (const auto* bytes : unreadable)
    {
        writeFavoritesBytes (bytes);
        EXPECT_TRUE (store.toggleFavorite ("C.wav"));
        EXPECT_EQ (store.loadFavorites(), juce::StringArray ("C.wav"));
        EXPECT_FALSE (store.toggleFavorite ("C.wav"));
    }

    const auto keptBytes = [&folder] (const char* name)
    {
        juce::MemoryBlock bytes;
        folder.getChildFile (name).loadFileAsData (bytes);
        return bytes;
    };

    EXPECT_EQ (keptBytes ("favorites-unreadable.xml"), juce::MemoryBlock (unreadable[0], std::strlen (unreadable[0])));
    EXPECT_EQ (keptBytes ("favorites-unreadable2.xml"), juce::MemoryBlock (unreadable[1], std::strlen (unreadable[1])));
    EXPECT_TRUE (folder.getChildFile ("favorites-unreadable3.xml").isSymbolicLink());
    EXPECT_FALSE (juce::File ("/nonexistent/target.xml").exists());
    EXPECT_EQ (keptBytes ("favorites-unreadable4.xml"), juce::MemoryBlock (unreadable[2], std::strlen (unreadable[2])));

    // A readable file, and an empty one (nothing in it to keep), are simply rewritten.
    writeFavoritesFile ("<ZOB_FAVORITES/>");
    EXPECT_TRUE (store.toggleFavorite ("D.wav"));
    writeFavoritesFile ("");
    EXPECT_TRUE (store.toggleFavorite ("E.wav"));
    EXPECT_EQ (store.loadFavorites(), juce::StringArray ("E.wav"));
    EXPECT_EQ (zobtest::childNames (folder),
               juce::StringArray ("favorites-unreadable.xml", "favorites-unreadable2.xml", "favorites-unreadable3.xml", "favorites-unreadable4.xml", "favorites.xml"));
}

TEST (FavoritesStore, AnUnreadableFileThatCannotBeKeptIsNotWrittenOver)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "folder permissions do not bind the super-user";

    const zobtest::ScopedTempHome home;
    writeFavoritesFile ("not xml");
    const auto folder = home.userFolder();
    ASSERT_EQ (::chmod (folder.getFullPathName().toRawUTF8(), 0500), 0); // no renaming, no new files

    FavoritesStore store;
    EXPECT_TRUE (store.toggleFavorite ("A.wav"));
    EXPECT_TRUE (store.isFavorite ("A.wav"));

    ASSERT_EQ (::chmod (folder.getFullPathName().toRawUTF8(), 0700), 0);
    EXPECT_EQ (FavoritesStore::getFavoritesFile().loadFileAsString(), juce::String ("not xml"));
    EXPECT_EQ (zobtest::childNames (folder), juce::StringArray ("favorites.xml"));
}

TEST (FavoritesStore, AnUnreadableFileIsNotWrittenOverWhenEveryNameBesideItIsTaken)
{
    // The same refusal as above, reached without folder permissions (which bind every user,
    // the super-user included): every name the file could be kept under already exists.
    const zobtest::ScopedTempHome home;
    writeFavoritesFile ("not xml");
    const auto folder = home.userFolder();

    // The store tries 10,000 names: the plain one and 9,999 numbered ones.
    constexpr int taken = 10000;
    for (int attempt = 0; attempt < taken; ++attempt)
    {
        const auto name = NoFollowFiles::numberedChildName ("favorites-unreadable", ".xml", false, attempt);
        ASSERT_TRUE (folder.getChildFile (name).create().wasOk());
    }
    ASSERT_TRUE (folder.getChildFile ("favorites-unreadable.xml").replaceWithText ("kept 0"));

    FavoritesStore store;
    EXPECT_TRUE (store.toggleFavorite ("A.wav"));
    EXPECT_TRUE (store.isFavorite ("A.wav"));

    EXPECT_EQ (FavoritesStore::getFavoritesFile().loadFileAsString(), juce::String ("not xml"));
    EXPECT_EQ (folder.getChildFile ("favorites-unreadable.xml").loadFileAsString(), juce::String ("kept 0"));
    EXPECT_EQ (zobtest::childNames (folder).size(), taken + 1); // nothing was added either
}

TEST (FavoritesStore, MatchesNamesCaseSensitivelyAndIgnoresEmptyNames)
{
    const zobtest::ScopedTempHome home;
    FavoritesStore store;

    EXPECT_TRUE (store.toggleFavorite ("Deep 01.wav"));
    EXPECT_TRUE (store.isFavorite ("Deep 01.wav"));
    EXPECT_FALSE (store.isFavorite ("deep 01.wav"));
    EXPECT_FALSE (store.isFavorite ("Deep 01.WAV"));
    EXPECT_TRUE (store.toggleFavorite ("deep 01.wav"));
    EXPECT_EQ (store.fileNames, juce::StringArray ("Deep 01.wav", "deep 01.wav"));

    EXPECT_FALSE (store.toggleFavorite ({}));
    EXPECT_EQ (store.loadFavorites(), juce::StringArray ("Deep 01.wav", "deep 01.wav"));

    // Turning one spelling off leaves the other starred, in memory and in the file.
    EXPECT_FALSE (store.toggleFavorite ("Deep 01.wav"));
    EXPECT_EQ (store.fileNames, juce::StringArray ("deep 01.wav"));
    EXPECT_EQ (store.loadFavorites(), juce::StringArray ("deep 01.wav"));
    EXPECT_FALSE (store.isFavorite ("Deep 01.wav"));
    EXPECT_TRUE (store.isFavorite ("deep 01.wav"));

    // A file written by hand with both spellings, and every copy of one of them.
    writeFavoritesFile ("<ZOB_FAVORITES><Favorite id=\"KICK.wav\"/><Favorite id=\"Kick.wav\"/><Favorite id=\"KICK.wav\"/></ZOB_FAVORITES>");
    EXPECT_FALSE (store.toggleFavorite ("KICK.wav"));
    EXPECT_EQ (store.loadFavorites(), juce::StringArray ("Kick.wav"));
    EXPECT_TRUE (store.toggleFavorite ("kick.wav"));
    EXPECT_EQ (store.loadFavorites(), juce::StringArray ("Kick.wav", "kick.wav"));
}

TEST (FavoritesStore, InstancesSeeEachOthersChangesAtReloadOrToggle)
{
    const zobtest::ScopedTempHome home;
    FavoritesStore a, b;

    EXPECT_TRUE (a.toggleFavorite ("A.wav"));
    EXPECT_FALSE (b.isFavorite ("A.wav"));

    EXPECT_TRUE (b.toggleFavorite ("B.wav"));
    EXPECT_EQ (b.fileNames, juce::StringArray ("A.wav", "B.wav"));
    EXPECT_EQ (a.fileNames, juce::StringArray ("A.wav"));

    a.reloadFavorites();
    EXPECT_EQ (a.fileNames, juce::StringArray ("A.wav", "B.wav"));
}

TEST (FavoritesStore, KeepsTheListInMemoryWhenTheFileCannotBeWritten)
{
    const zobtest::ScopedTempHome home;
    // A non-empty folder where the file should be: it can be neither replaced nor removed.
    FavoritesStore::getFavoritesFile().getChildFile ("keep").create();

    FavoritesStore store;
    EXPECT_TRUE (store.toggleFavorite ("A.wav"));
    EXPECT_TRUE (store.isFavorite ("A.wav"));

    store.reloadFavorites();
    EXPECT_TRUE (store.fileNames.isEmpty());
}

TEST (FavoritesStore, WaitsForAnotherProcessHoldingTheLock)
{
    const zobtest::ScopedTempHome home;
    const auto held = home.temp().getChildFile ("held");

    auto child = zobtest::startChildRoutine ("FavoritesLockHolder", { held.getFullPathName() });
    ASSERT_NE (child, nullptr);
    ASSERT_TRUE (zobtest::waitForFile (held));

    // The child is inside its read-modify-write: this toggle must wait for it, then keep its change.
    FavoritesStore store;
    EXPECT_TRUE (store.toggleFavorite ("Parent.wav"));
    EXPECT_EQ (zobtest::waitForChild (*child), 0);
    EXPECT_EQ (store.fileNames, juce::StringArray ("Child.wav", "Parent.wav"));
    EXPECT_EQ (store.loadFavorites(), juce::StringArray ("Child.wav", "Parent.wav"));
}

TEST (FavoritesStore, RemoveTakesTheNameOutOfTheFileAndNeverAddsIt)
{
    const zobtest::ScopedTempHome home;
    writeFavoritesFile ("<ZOB_FAVORITES><Favorite id=\"A.wav\"/><Favorite id=\"B.wav\"/><Favorite id=\"A.wav\"/></ZOB_FAVORITES>");
    FavoritesStore a, b;

    EXPECT_TRUE (a.removeFavorite ("A.wav"));
    EXPECT_EQ (a.fileNames, juce::StringArray ("B.wav"));
    EXPECT_EQ (a.loadFavorites(), juce::StringArray ("B.wav"));

    // The other instance still lists the name: its removal finds it gone from the file, adds
    // nothing and takes the file's list.
    ASSERT_TRUE (b.isFavorite ("A.wav"));
    EXPECT_FALSE (b.removeFavorite ("A.wav"));
    EXPECT_EQ (b.fileNames, juce::StringArray ("B.wav"));
    EXPECT_EQ (b.loadFavorites(), juce::StringArray ("B.wav"));

    // A star that another instance gave after this one last read the file goes all the same.
    a.toggleFavorite ("C.wav");
    ASSERT_FALSE (b.isFavorite ("C.wav"));
    EXPECT_TRUE (b.removeFavorite ("C.wav"));
    EXPECT_EQ (b.loadFavorites(), juce::StringArray ("B.wav"));

    // Nothing to take out: the file is not touched, not even an unreadable one.
    EXPECT_FALSE (b.removeFavorite (""));
    writeFavoritesFile ("not xml");
    EXPECT_FALSE (b.removeFavorite ("B.wav"));
    EXPECT_EQ (FavoritesStore::getFavoritesFile().loadFileAsString(), juce::String ("not xml"));
    EXPECT_EQ (zobtest::childNames (home.userFolder()), juce::StringArray ("favorites.xml"));
}

TEST (FavoritesStore, RemoveWaitsForAnotherProcessHoldingTheLock)
{
    const zobtest::ScopedTempHome home;
    const auto held = home.temp().getChildFile ("held");
    FavoritesStore store; // made first: its constructor takes the lock too

    auto child = zobtest::startChildRoutine ("FavoritesLockHolder", { held.getFullPathName() });
    ASSERT_NE (child, nullptr);
    ASSERT_TRUE (zobtest::waitForFile (held));

    // The child stars "Child.wav" inside its lock: the removal reads the file after it.
    EXPECT_TRUE (store.removeFavorite ("Child.wav"));
    EXPECT_EQ (zobtest::waitForChild (*child), 0);
    EXPECT_TRUE (store.loadFavorites().isEmpty());
}

TEST (FavoritesStore, TwoProcessesTogglingAtOnceKeepEveryChange)
{
    const zobtest::ScopedTempHome home;
    const auto ready = home.temp().getChildFile ("ready");
    const auto go = home.temp().getChildFile ("go");

    auto child = zobtest::startChildRoutine ("FavoritesToggler", { ready.getFullPathName(), go.getFullPathName() });
    ASSERT_NE (child, nullptr);
    ASSERT_TRUE (zobtest::waitForFile (ready));
    go.create();

    FavoritesStore store;

    for (const auto& name : numberedNames ("Parent", namesPerProcess))
        EXPECT_TRUE (store.toggleFavorite (name));

    ASSERT_EQ (zobtest::waitForChild (*child), 0);

    store.reloadFavorites();
    EXPECT_EQ (store.fileNames.size(), 2 * namesPerProcess);

    for (const auto& name : numberedNames ("Parent", namesPerProcess))
        EXPECT_TRUE (store.isFavorite (name)) << name;

    for (const auto& name : numberedNames ("Child", namesPerProcess))
        EXPECT_TRUE (store.isFavorite (name)) << name;
}

TEST (FavoritesStore, ProcessorReloadsFavouritesOnConstruction)
{
    const zobtest::ScopedTempHome home;
    writeFavoritesFile ("<ZOB_FAVORITES><Favorite id=\"Deep 01.wav\"/></ZOB_FAVORITES>");

    ZobAudioProcessor processor;
    EXPECT_TRUE (processor.favorites.isFavorite ("Deep 01.wav"));
}
