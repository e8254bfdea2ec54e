#include "library/FavoritesStore.h"

#include "engine/ZobAudioProcessor.h"

#include "support/ChildProcess.h"
#include "support/JucePrinters.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

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
