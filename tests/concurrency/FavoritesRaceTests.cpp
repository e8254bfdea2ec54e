// Favourites shared by several running instances: three processes star and unstar kicks in
// the one file at the same time, each through the inter-process lock, and no change is lost.

#include "library/FavoritesStore.h"

#include "support/ChildProcess.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace
{
constexpr int namesPerProcess = 12;
const juce::String sharedName ("Shared.wav");

/** Stars every own name, then the shared one, then unstars the own names at even
    places: what stays is the odd half of the own names, and the shared name has been
    toggled once by each process. False when a toggle answers wrongly. */
bool toggleAsOneInstance (const juce::String& stem)
{
    FavoritesStore store;

    for (int i = 0; i < namesPerProcess; ++i)
        if (! store.toggleFavorite (stem + " " + juce::String (i) + ".wav"))
            return false;

    store.toggleFavorite (sharedName);

    for (int i = 0; i < namesPerProcess; i += 2)
        if (store.toggleFavorite (stem + " " + juce::String (i) + ".wav"))
            return false;

    return true;
}
} // namespace

// Child: waits for the parent's go signal, then toggles like any other instance.
ZOBTEST_CHILD_ROUTINE (FavoritesRaceInstance)
{
    const juce::File ready (arguments[0]), go (arguments[1]);
    ready.create();

    if (! zobtest::waitForFile (go))
        return 2;

    return toggleAsOneInstance (arguments[2]) ? 0 : 3;
}

TEST (FavoritesRace, ThreeInstancesTogglingAtOnceKeepEveryChange)
{
    const zobtest::ScopedTempHome home;
    const auto go = home.temp().getChildFile ("go");
    const juce::StringArray stems { "First", "Second" };
    std::vector<std::unique_ptr<juce::ChildProcess>> children;

    for (const auto& stem : stems)
    {
        const auto ready = home.temp().getChildFile ("ready " + stem);
        children.push_back (zobtest::startChildRoutine ("FavoritesRaceInstance", { ready.getFullPathName(), go.getFullPathName(), stem }));
        ASSERT_NE (children.back(), nullptr);
        ASSERT_TRUE (zobtest::waitForFile (ready));
    }

    go.create();
    EXPECT_TRUE (toggleAsOneInstance ("Parent"));

    for (auto& child : children)
        EXPECT_EQ (zobtest::waitForChild (*child), 0);

    FavoritesStore store;
    EXPECT_EQ (store.fileNames.size(), 3 * namesPerProcess / 2 + 1) << store.fileNames.joinIntoString (", ");
    EXPECT_TRUE (store.isFavorite (sharedName)); // toggled three times

    for (const auto& stem : { juce::String ("Parent"), stems[0], stems[1] })
        for (int i = 0; i < namesPerProcess; ++i)
            EXPECT_EQ (store.isFavorite (stem + " " + juce::String (i) + ".wav"), i % 2 == 1) << stem << " " << i;
}
