#include "UiTestHelpers.h"
#include "library/FavoritesStore.h"
#include "library/KeyCache.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Palette.h"
#include "ui/kit/PresetBrowserPopup.h"

#include "support/AudioFiles.h"
#include "support/MessageLoop.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace
{
using Item = vyl::PresetBrowserPopup::Item;

// The browser's fixed layout on the 400 x 710 canvas.
constexpr int listX = 21, listY = 201, listRight = 379;
constexpr int rowHeight = 30;
const juce::Point<int> allTab { 80, 184 }, favoritesTab { 200, 184 }, userTab { 320, 184 };

// One notch of a wheel as JUCE reports it on X11.
constexpr float notch = 50.0f / 256.0f;

int rowMiddle (int row, int scroll = 0) { return listY + row * rowHeight - scroll + 15; }
juce::Point<int> nameOf (int row, int scroll = 0) { return { 100, rowMiddle (row, scroll) }; }
juce::Point<int> starOf (int row, int scroll = 0) { return { listRight - 30 + 8, rowMiddle (row, scroll) }; }
juce::Point<int> keyBadgeOf (int row, int scroll = 0) { return { listRight - 78 + 20, rowMiddle (row, scroll) }; }
juce::Point<int> removeIconOf (int row, int scroll = 0) { return { listRight - 103 + 8, rowMiddle (row, scroll) }; }

/** The kick files of a test: factory kicks in one folder, user kicks in another. */
Item makeItem (const juce::File& folder, const juce::String& fileName, bool userAdded)
{
    return { folder.getChildFile (fileName), fileName.upToLastOccurrenceOf (".", false, false), fileName, userAdded };
}

/** A browser on a 400 x 710 canvas, with a favourites store and a key cache under a
    temporary HOME, and a millisecond counter the test sets. */
struct BrowserFixture
{
    BrowserFixture()
    {
        canvas.setBounds (0, 0, 400, 710);
        canvas.addChildComponent (browser);
        browser.setMillisecondClock ([this]
                                     { return now; });
        browser.onKickChosen = [this] (const juce::File& f)
        { chosen.push_back (f); };
        browser.onListChanged = [this]
        { ++listChanges; };
        browser.onAddKicks = [this]
        { ++addKicksClicks; };
        browser.onRemoveConfirmed = [this] (const juce::File& f)
        { removed.push_back (f); };
    }

    /** count kicks named "Kick 01.wav" ...; every userEvery-th one (from the first) a user kick. */
    void setKicks (int count, int userEvery = 0)
    {
        std::vector<Item> items;

        for (int i = 0; i < count; ++i)
        {
            const auto user = userEvery > 0 && i % userEvery == 0;
            items.push_back (makeItem (user ? userFolder : factoryFolder, "Kick " + juce::String (i + 1).paddedLeft ('0', 2) + ".wav", user));
        }

        browser.setItems (std::move (items));
    }

    juce::StringArray visibleNames() const
    {
        juce::StringArray names;
        for (const auto* item : browser.getVisibleItems())
            names.add (item->fileName);
        return names;
    }

    juce::MouseEvent at (juce::Point<int> p) { return zobtest::mouseEventAt (browser, p.toFloat()); }
    void click (juce::Point<int> p) { browser.mouseDown (at (p)), browser.mouseUp (at (p)); }
    void move (juce::Point<int> p) { browser.mouseMove (at (p)); }
    void wheel (juce::Point<int> p, float deltaY)
    {
        juce::MouseWheelDetails details { 0.0f, deltaY, false, false, false };
        browser.mouseWheelMove (at (p), details);
    }

    zobtest::ScopedTempHome home;
    juce::File factoryFolder { home.home().getChildFile ("factory") };
    juce::File userFolder { home.userFolder().getChildFile ("User Kicks") };
    FavoritesStore favorites;
    vyl::KeyCache keyCache;
    juce::Component canvas;
    vyl::PresetBrowserPopup browser { &favorites, &keyCache };

    juce::uint32 now = 100000;
    std::vector<juce::File> chosen, removed;
    int listChanges = 0, addKicksClicks = 0;
};

/** Writes a cache file holding a result for each file (size and time as the file has them). */
void writeKeyCacheFile (const juce::File& cacheFile, const std::vector<std::pair<juce::File, KickPitchResult>>& entries)
{
    juce::XmlElement root ("ZOBKeyCache");

    for (const auto& [file, result] : entries)
    {
        auto* key = root.createNewChildElement ("KEY");
        key->setAttribute ("path", file.getFullPathName());
        key->setAttribute ("size", (double) file.getSize());
        key->setAttribute ("modified", (double) file.getLastModificationTime().toMilliseconds());
        key->setAttribute ("valid", result.valid ? 1 : 0);
        key->setAttribute ("hz", result.hz);
        key->setAttribute ("note", result.note);
        key->setAttribute ("approx", result.approx ? 1 : 0);
    }

    ASSERT_TRUE (root.writeTo (cacheFile));
}

KickPitchResult pitchOf (int note, bool approx)
{
    KickPitchResult result;
    result.valid = true;
    result.note = note;
    result.hz = 440.0 * std::pow (2.0, (note - 69) / 12.0);
    result.approx = approx;
    return result;
}

/** Pixels of the area that differ clearly from colour: the ink drawn over a plain fill. */
int inkIn (const juce::Image& image, juce::Rectangle<int> area, juce::Colour background)
{
    int ink = 0;
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            ink += zobtest::colourDistance (image.getPixelAt (x, y), background) > 40 ? 1 : 0;
    return ink;
}

/** The leftmost column of the area holding ink, or -1. */
int leftmostInk (const juce::Image& image, juce::Rectangle<int> area, juce::Colour background)
{
    for (int x = area.getX(); x < area.getRight(); ++x)
        for (int y = area.getY(); y < area.getBottom(); ++y)
            if (zobtest::colourDistance (image.getPixelAt (x, y), background) > 40)
                return x;
    return -1;
}

const juce::Colour canvasGrey { 0xff808080 };

juce::Image renderBrowser (BrowserFixture& f) { return zobtest::render (f.browser, canvasGrey); }
} // namespace

//==============================================================================
TEST (PresetBrowserPopup, TabsFilterTheListInItsOwnOrder)
{
    BrowserFixture f;
    f.browser.setItems ({ makeItem (f.factoryFolder, "A.wav", false),
                          makeItem (f.userFolder, "B.wav", true),
                          makeItem (f.factoryFolder, "C.wav", false),
                          makeItem (f.userFolder, "D.wav", true),
                          makeItem (f.userFolder, "c.wav", true) });
    f.favorites.toggleFavorite ("C.wav");
    f.favorites.toggleFavorite ("B.wav");
    f.browser.show();

    EXPECT_EQ (f.visibleNames(), juce::StringArray ({ "A.wav", "B.wav", "C.wav", "D.wav", "c.wav" }));

    // The list's order, not the favourites' order; names match case-sensitively.
    f.click (favoritesTab);
    EXPECT_EQ (f.browser.getCurrentTab(), vyl::PresetBrowserPopup::favoritesTab);
    EXPECT_EQ (f.visibleNames(), juce::StringArray ({ "B.wav", "C.wav" }));

    f.click (userTab);
    EXPECT_EQ (f.visibleNames(), juce::StringArray ({ "B.wav", "D.wav", "c.wav" }));
    EXPECT_EQ (f.listChanges, 2);

    // Clicking the shown tab changes nothing and reports nothing.
    f.click (userTab);
    EXPECT_EQ (f.listChanges, 2);

    f.click (allTab);
    EXPECT_EQ (f.visibleNames().size(), 5);
    EXPECT_EQ (f.listChanges, 3);
    EXPECT_TRUE (f.chosen.empty());
}

TEST (PresetBrowserPopup, LayoutAndAddButtonFollowTheTab)
{
    BrowserFixture f;
    f.setKicks (3);

    EXPECT_TRUE (f.browser.getPanelArea().isEmpty()); // nothing is laid out before it is shown
    f.browser.show();
    EXPECT_EQ (f.browser.getBounds(), f.canvas.getLocalBounds());
    EXPECT_TRUE (f.browser.isVisible());
    EXPECT_EQ (f.browser.getPanelArea(), juce::Rectangle<int> (20, 166, 360, 365));
    EXPECT_EQ (f.browser.getListArea(), juce::Rectangle<int> (21, 201, 358, 329));
    EXPECT_EQ (f.browser.getTabBounds (0), juce::Rectangle<int> (21, 167, 119, 34));
    EXPECT_EQ (f.browser.getTabBounds (1), juce::Rectangle<int> (140, 167, 119, 34));
    EXPECT_EQ (f.browser.getTabBounds (2), juce::Rectangle<int> (259, 167, 120, 34));
    EXPECT_FALSE (f.browser.getAddKicksButton().isVisible());

    f.click (userTab);
    EXPECT_EQ (f.browser.getListArea(), juce::Rectangle<int> (21, 201, 358, 295));
    auto& button = f.browser.getAddKicksButton();
    EXPECT_TRUE (button.isVisible());
    EXPECT_EQ (button.getBounds(), juce::Rectangle<int> (31, 501, 338, 24));
    EXPECT_EQ (button.getButtonText(), "+  ADD KICKS");
    EXPECT_FALSE (button.getWantsKeyboardFocus());
    button.triggerClick(); // delivered as a message
    EXPECT_TRUE (zobtest::runMessagesUntil ([&f]
                                            { return f.addKicksClicks == 1; },
                                            2000));

    f.browser.close();
    EXPECT_FALSE (f.browser.isVisible());
    EXPECT_FALSE (button.isVisible());

    // The tab and its layout survive closing; the button comes back with the browser.
    f.browser.show();
    EXPECT_EQ (f.browser.getCurrentTab(), vyl::PresetBrowserPopup::userTab);
    EXPECT_TRUE (button.isVisible());
}

TEST (PresetBrowserPopup, ShowUserTabWorksWhileHiddenAndReportsNothing)
{
    BrowserFixture f;
    f.setKicks (30, 2);
    f.browser.show();
    f.wheel (nameOf (0), -2.0f);
    ASSERT_GT (f.browser.getScrollOffset(), 0);
    f.browser.close();

    f.browser.showUserTab();
    EXPECT_EQ (f.browser.getCurrentTab(), vyl::PresetBrowserPopup::userTab);
    EXPECT_EQ (f.browser.getScrollOffset(), 0);
    EXPECT_FALSE (f.browser.isVisible());
    EXPECT_FALSE (f.browser.getAddKicksButton().isVisible());
    EXPECT_EQ (f.listChanges, 0);

    f.browser.show();
    EXPECT_TRUE (f.browser.getAddKicksButton().isVisible());
    EXPECT_EQ (f.browser.getListArea().getHeight(), 295);
}

TEST (PresetBrowserPopup, ScrollLimitsAndThumbSize)
{
    struct Case
    {
        int kicks;
        bool userTab;
        int maxScroll, trackHeight, thumbHeight; // thumb 0: not scrollable
    };

    const Case cases[] = {
        { 20, false, 271, 321, 176 }, // roundToInt (329 / 600 * 321)
        { 20, true, 305, 287, 141 }, // the USER list is 295 px high
        { 12, false, 31, 321, 293 },
        { 11, false, 1, 321, 320 },
        { 10, false, 0, 0, 0 }, // 300 px fit: no scrollbar, the wheel does nothing
        { 1000, false, 29671, 321, 24 }, // never shorter than 24 px
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.kicks) + (c.userTab ? " user kicks" : " kicks"));
        BrowserFixture f;
        f.setKicks (c.kicks, c.userTab ? 1 : 0);
        f.browser.show();
        if (c.userTab)
            f.click (userTab);

        EXPECT_EQ (f.browser.isScrollable(), c.thumbHeight > 0);
        EXPECT_EQ (f.browser.getScrollTrackBounds().getHeight(), c.trackHeight);
        EXPECT_EQ (f.browser.getScrollThumbBounds().getHeight(), c.thumbHeight);
        EXPECT_EQ (f.browser.getScrollbarHitBounds().isEmpty(), c.thumbHeight == 0);

        f.wheel (nameOf (0), -1000.0f);
        EXPECT_EQ (f.browser.getScrollOffset(), c.maxScroll);

        if (c.thumbHeight > 0)
        {
            EXPECT_EQ (f.browser.getScrollThumbBounds().getBottom(), f.browser.getScrollTrackBounds().getBottom());
            EXPECT_EQ (f.browser.getScrollThumbBounds().getWidth(), 4);
        }

        f.wheel (nameOf (0), 1000.0f);
        EXPECT_EQ (f.browser.getScrollOffset(), 0);
    }
}

TEST (PresetBrowserPopup, WheelMovesByItsDeltaOnlyOverTheList)
{
    BrowserFixture f;
    f.setKicks (20);
    f.browser.show();

    // One notch moves the list 34 px (0.47 units at 72 px per unit), also where JUCE
    // reports a notch as 50/256 units; parts of a notch move in proportion.
    f.wheel (nameOf (0), -notch);
    EXPECT_EQ (f.browser.getScrollOffset(), 34);
    f.wheel (nameOf (0), -notch);
    EXPECT_EQ (f.browser.getScrollOffset(), 68);
    f.wheel (nameOf (0), -notch / 10.0f); // 3.4 px towards the end
    EXPECT_EQ (f.browser.getScrollOffset(), 71);
    f.wheel (nameOf (0), notch); // towards the top
    EXPECT_EQ (f.browser.getScrollOffset(), 37);

    f.wheel (allTab, -notch);
    f.wheel ({ 200, 600 }, -notch);
    EXPECT_EQ (f.browser.getScrollOffset(), 37);

    // It also scrolls behind an open removal dialog.
    f.click (userTab);
    f.setKicks (20, 1);
    f.click (removeIconOf (0));
    ASSERT_TRUE (f.browser.hasPendingRemoval());
    f.wheel (nameOf (3), -notch);
    EXPECT_EQ (f.browser.getScrollOffset(), 34);
}

TEST (PresetBrowserPopup, ScrollbarGrabsTheThumbOrJumpsToThePress)
{
    BrowserFixture f;
    f.setKicks (20);
    f.browser.show();
    // Track (372, 205, 4, 321), thumb 176 px: 145 px of travel for 271 px of scroll.
    ASSERT_EQ (f.browser.getScrollThumbBounds(), juce::Rectangle<int> (372, 205, 4, 176));

    // A press on the thumb's height grabs it where it is: the list does not move.
    f.browser.mouseDown (f.at ({ 368, 300 }));
    EXPECT_EQ (f.browser.getScrollOffset(), 0);
    EXPECT_EQ (f.browser.getScrollTrackBounds().getWidth(), 6);
    f.browser.mouseDrag (f.at ({ 368, 372 })); // thumb top 277: 72 / 145 of the way
    EXPECT_EQ (f.browser.getScrollOffset(), 135);
    f.browser.mouseDrag (f.at ({ 368, 700 }));
    EXPECT_EQ (f.browser.getScrollOffset(), 271);
    f.browser.mouseUp (f.at ({ 200, 700 }));
    EXPECT_EQ (f.browser.getScrollTrackBounds().getWidth(), 4); // released off the strip
    EXPECT_TRUE (f.chosen.empty());
    EXPECT_TRUE (f.browser.isVisible());

    // A press off the thumb centres it on the press.
    f.browser.mouseDown (f.at ({ 375, 250 })); // thumb top 250 - 88 = 162: the top of the track
    EXPECT_EQ (f.browser.getScrollOffset(), 0);
    f.browser.mouseUp (f.at ({ 375, 250 }));
    EXPECT_EQ (f.browser.getScrollTrackBounds().getWidth(), 6); // released on the strip: hovered
    f.browser.mouseDown (f.at ({ 375, 400 })); // thumb top 312
    EXPECT_EQ (f.browser.getScrollOffset(), juce::roundToInt (271.0f * 107.0f / 145.0f));
}

TEST (PresetBrowserPopup, PressesAreTestedInOrder)
{
    // Each press in a fresh browser on the USER tab: 20 user kicks (scrollable) or 3.
    enum Outcome
    {
        closes,
        scrolls,
        switchesTab,
        opensRemoval,
        togglesStar,
        choosesKick,
        nothing
    };

    struct Case
    {
        const char* what;
        int kicks;
        bool onUserTab;
        juce::Point<int> press;
        Outcome outcome;
    };

    const Case cases[] = {
        { "outside the panel", 20, true, { 10, 300 }, closes },
        { "below the panel", 3, false, { 200, 600 }, closes },
        { "the scrollbar strip over a row", 20, true, { 374, rowMiddle (8) }, scrolls },
        { "the same point without a scrollbar", 3, true, { 374, rowMiddle (0) }, choosesKick },
        { "a tab", 3, true, allTab, switchesTab },
        { "a remove icon", 3, true, removeIconOf (1), opensRemoval },
        { "a remove icon's place on ALL KICKS", 3, false, removeIconOf (1), choosesKick },
        { "a star", 3, true, starOf (2), togglesStar },
        { "a key badge", 3, true, keyBadgeOf (0), choosesKick },
        { "a name", 3, true, nameOf (1), choosesKick },
        { "below the last row", 3, true, nameOf (5), nothing },
        { "the add button's surroundings", 3, true, { 25, 528 }, nothing },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        BrowserFixture f;
        f.setKicks (c.kicks, 1);
        f.browser.show();
        if (c.onUserTab)
            f.click (userTab);
        f.listChanges = 0;
        const auto tabBefore = f.browser.getCurrentTab();

        f.browser.mouseDown (f.at (c.press));
        const auto scrolled = f.browser.getScrollOffset() > 0;
        f.browser.mouseUp (f.at (c.press));

        EXPECT_EQ (! f.browser.isVisible(), c.outcome == closes);
        EXPECT_EQ (scrolled, c.outcome == scrolls);
        EXPECT_EQ (f.browser.getCurrentTab() != tabBefore, c.outcome == switchesTab);
        EXPECT_EQ (f.browser.hasPendingRemoval(), c.outcome == opensRemoval);
        EXPECT_EQ (f.favorites.fileNames.size() == 1, c.outcome == togglesStar);
        EXPECT_EQ (f.chosen.size() == 1, c.outcome == choosesKick);
        EXPECT_EQ (f.listChanges, c.outcome == togglesStar || c.outcome == switchesTab ? 1 : 0);
    }
}

TEST (PresetBrowserPopup, ChoosingReportsTheRowsFileAndStaysOpen)
{
    BrowserFixture f;
    f.setKicks (20);
    f.browser.show();
    f.wheel (nameOf (0), -notch);
    f.wheel (nameOf (0), -notch); // 68 px: row 2 is at the top, partly hidden
    ASSERT_EQ (f.browser.getScrollOffset(), 68);

    f.click (nameOf (3, 68));
    ASSERT_EQ (f.chosen.size(), 1u);
    EXPECT_EQ (f.chosen[0], f.factoryFolder.getChildFile ("Kick 04.wav"));
    EXPECT_TRUE (f.browser.isVisible());

    // A double-click chooses (first press) and closes; on a star it toggles twice and stays.
    f.browser.mouseDown (f.at (starOf (5, 68)));
    f.browser.mouseDown (f.at (starOf (5, 68)));
    f.browser.mouseDoubleClick (f.at (starOf (5, 68)));
    EXPECT_TRUE (f.browser.isVisible());
    EXPECT_TRUE (f.favorites.fileNames.isEmpty());
    EXPECT_EQ (f.listChanges, 2);

    f.browser.mouseDown (f.at (nameOf (5, 68)));
    f.browser.mouseDoubleClick (f.at (nameOf (5, 68)));
    EXPECT_FALSE (f.browser.isVisible());
    EXPECT_EQ (f.chosen.back(), f.factoryFolder.getChildFile ("Kick 06.wav"));

    // The scroll position survives closing and reopening (clamped, not moved to the current kick).
    f.browser.setCurrentKick (f.factoryFolder.getChildFile ("Kick 20.wav"));
    f.browser.show();
    EXPECT_EQ (f.browser.getScrollOffset(), 68);
}

TEST (PresetBrowserPopup, StarsToggleThroughTheSharedFavourites)
{
    BrowserFixture f;
    f.browser.setItems ({ makeItem (f.factoryFolder, "Deep 01.wav", false),
                          makeItem (f.userFolder, "Deep 01.wav", true),
                          makeItem (f.factoryFolder, "Snap.wav", false) });
    f.browser.show();

    EXPECT_EQ (f.browser.getTooltipAt (starOf (0)), "Add to favorites");
    f.click (starOf (1));
    EXPECT_EQ (f.listChanges, 1);

    // Written to the file; a factory and a user kick of one name share the star.
    FavoritesStore elsewhere;
    EXPECT_EQ (elsewhere.fileNames, juce::StringArray ("Deep 01.wav"));
    EXPECT_EQ (f.browser.getTooltipAt (starOf (0)), "Remove from favorites");
    EXPECT_EQ (f.browser.getTooltipAt (starOf (1)), "Remove from favorites");
    EXPECT_EQ (f.browser.getTooltipAt (starOf (2)), "Add to favorites");

    // Another instance's change arrives when the browser opens again.
    elsewhere.toggleFavorite ("Snap.wav");
    f.click (favoritesTab);
    EXPECT_EQ (f.visibleNames(), juce::StringArray ({ "Deep 01.wav", "Deep 01.wav" }));
    f.browser.close();
    f.browser.show();
    EXPECT_EQ (f.visibleNames(), juce::StringArray ({ "Deep 01.wav", "Deep 01.wav", "Snap.wav" }));

    // Unstarring on FAVORITES removes the rows at once.
    f.click (starOf (0));
    EXPECT_EQ (f.visibleNames(), juce::StringArray ("Snap.wav"));
    EXPECT_TRUE (f.chosen.empty());
}

TEST (PresetBrowserPopup, UnstarringOnFavoritesPullsTheScrollBackIntoRange)
{
    BrowserFixture f;
    f.setKicks (12);
    for (int i = 1; i <= 12; ++i)
        f.favorites.toggleFavorite ("Kick " + juce::String (i).paddedLeft ('0', 2) + ".wav");
    f.browser.show();
    f.click (favoritesTab);
    f.wheel (nameOf (0), -10.0f);
    ASSERT_EQ (f.browser.getScrollOffset(), 31);

    f.click (starOf (10, 31)); // 11 rows left: 330 px, at most 1 px of scroll
    EXPECT_EQ (f.browser.getScrollOffset(), 1);
    f.click (starOf (9, 1));
    EXPECT_EQ (f.browser.getScrollOffset(), 0);
    EXPECT_FALSE (f.browser.isScrollable());
}

TEST (PresetBrowserPopup, NeighbourKickWrapsWithinTheShownTab)
{
    BrowserFixture f;
    const auto a = makeItem (f.factoryFolder, "A.wav", false);
    const auto b = makeItem (f.userFolder, "B.wav", true);
    const auto c = makeItem (f.factoryFolder, "C.wav", false);
    const auto d = makeItem (f.userFolder, "D.wav", true);
    const auto otherA = makeItem (f.userFolder, "A.wav", true);
    f.browser.setItems ({ a, b, c, d, otherA });

    struct Case
    {
        int tab;
        juce::File current;
        int direction;
        juce::File expected;
    };

    const auto nowhere = f.home.home().getChildFile ("Gone.wav");
    const Case cases[] = {
        { 0, b.path, +1, c.path },
        { 0, b.path, -1, a.path },
        { 0, otherA.path, +1, a.path }, // the user A by its path: after it the list wraps
        { 0, otherA.path, -1, d.path },
        { 0, a.path, +1, b.path }, // the factory A by its path
        { 0, a.path, -1, otherA.path }, // wraps to the last
        { 0, f.home.home().getChildFile ("elsewhere/A.wav"), +1, b.path }, // a path not listed: the first of its name
        { 0, nowhere, +1, a.path }, // not on the tab: the first forwards, the last backwards
        { 0, nowhere, -1, otherA.path },
        { 2, d.path, +1, otherA.path }, // USER: B, D, A
        { 2, a.path, +1, b.path }, // matched by name: the factory A finds the user A, then wraps
        { 2, b.path, -1, otherA.path },
        { 2, c.path, +1, b.path },
        { 1, a.path, +1, juce::File() }, // no favourites: nothing to step to
    };

    for (const auto& testCase : cases)
    {
        SCOPED_TRACE (juce::String (testCase.tab) + " " + testCase.current.getFileName() + " " + juce::String (testCase.direction));
        f.browser.close();
        f.browser.showUserTab(); // leaves the USER tab selected ...
        if (testCase.tab != 2)
        {
            f.browser.show(); // ... then a click picks the wanted one
            f.click (testCase.tab == 0 ? allTab : favoritesTab);
        }
        ASSERT_EQ (f.browser.getCurrentTab(), testCase.tab);
        EXPECT_EQ (f.browser.getNeighbourKick (testCase.current, testCase.direction), testCase.expected);
    }
}

TEST (PresetBrowserPopup, ScrollToCurrentShowsTheWholeRow)
{
    BrowserFixture f;
    f.setKicks (20);
    f.browser.setCurrentKick (f.factoryFolder.getChildFile ("Kick 16.wav"));
    f.browser.scrollToCurrent(); // hidden: nothing
    EXPECT_EQ (f.browser.getScrollOffset(), 0);

    f.browser.show();
    EXPECT_EQ (f.browser.getScrollOffset(), 0); // opening does not scroll
    f.browser.scrollToCurrent();
    EXPECT_EQ (f.browser.getScrollOffset(), 15 * 30 + 30 - 329);

    f.browser.setCurrentKick (f.factoryFolder.getChildFile ("Kick 08.wav")); // fully shown already
    f.browser.scrollToCurrent();
    EXPECT_EQ (f.browser.getScrollOffset(), 151);

    f.browser.setCurrentKick (f.factoryFolder.getChildFile ("Kick 06.wav")); // top 150, one pixel hidden
    f.browser.scrollToCurrent();
    EXPECT_EQ (f.browser.getScrollOffset(), 150);

    f.browser.setCurrentKick (f.userFolder.getChildFile ("Nowhere.wav"));
    f.browser.scrollToCurrent();
    EXPECT_EQ (f.browser.getScrollOffset(), 150);
}

TEST (PresetBrowserPopup, ScrollToCurrentFindsTheKickByItsPathBeforeItsName)
{
    BrowserFixture f;
    f.setKicks (20);
    auto items = std::vector<Item>();

    for (const auto* item : f.browser.getVisibleItems())
        items.push_back (*item);

    const auto userCopy = makeItem (f.userFolder, "Kick 01.wav", true); // last, under the factory kick's name
    items.push_back (userCopy);
    f.browser.setItems (std::move (items));
    f.browser.show();

    f.browser.setCurrentKick (f.factoryFolder.getChildFile ("Kick 20.wav"));
    f.browser.scrollToCurrent();
    ASSERT_EQ (f.browser.getScrollOffset(), 19 * 30 + 30 - 329);

    // The user copy plays: its own row is shown, at the end, not the factory row at the top.
    f.browser.setCurrentKick (userCopy.path);
    f.browser.scrollToCurrent();
    EXPECT_EQ (f.browser.getScrollOffset(), 21 * 30 - 329);

    f.browser.setCurrentKick (f.factoryFolder.getChildFile ("Kick 01.wav"));
    f.browser.scrollToCurrent();
    EXPECT_EQ (f.browser.getScrollOffset(), 0);

    // A path that is not listed falls back to the first row of its name.
    f.browser.setCurrentKick (f.factoryFolder.getChildFile ("Kick 20.wav"));
    f.browser.scrollToCurrent();
    f.browser.setCurrentKick (f.home.home().getChildFile ("elsewhere/Kick 01.wav"));
    f.browser.scrollToCurrent();
    EXPECT_EQ (f.browser.getScrollOffset(), 0);
}

TEST (PresetBrowserPopup, RemovalArmsAfter450Milliseconds)
{
    struct Case
    {
        juce::uint32 openedAt, clickedAfter;
        bool removes;
    };

    const Case cases[] = {
        { 100000, 0, false }, // the click that opened it
        { 100000, 449, false },
        { 100000, 450, true },
        { 100000, 5000, true },
        { 0xffffff00u, 449, false }, // across the counter's wrap
        { 0xffffff00u, 450, true },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.openedAt) + " + " + juce::String (c.clickedAfter));
        BrowserFixture f;
        f.setKicks (3, 1);
        f.browser.show();
        f.click (userTab);

        f.now = c.openedAt;
        f.click (removeIconOf (1));
        ASSERT_TRUE (f.browser.hasPendingRemoval());
        EXPECT_FALSE (f.browser.getAddKicksButton().isEnabled());
        EXPECT_EQ (f.browser.getRemoveButtonBounds(), juce::Rectangle<int> (205, 372, 147, 34));

        f.now = c.openedAt + c.clickedAfter;
        f.click ({ 278, 389 }); // REMOVE

        EXPECT_EQ (f.browser.hasPendingRemoval(), ! c.removes);
        EXPECT_EQ (f.removed, c.removes ? std::vector<juce::File> { f.userFolder.getChildFile ("Kick 02.wav") } : std::vector<juce::File> {});
        EXPECT_EQ (f.browser.getAddKicksButton().isEnabled(), c.removes);
        EXPECT_TRUE (f.browser.isVisible());
        EXPECT_TRUE (f.chosen.empty());
    }
}

TEST (PresetBrowserPopup, ArmedClicksOtherThanRemoveOnlyCloseTheDialog)
{
    const juce::Point<int> presses[] = {
        { 121, 389 }, // CANCEL
        { 200, 300 }, // the dialog's text
        { 200, 210 }, // the panel behind the dim
        { 10, 10 }, // outside the panel, which would close the browser without a dialog
    };

    for (const auto press : presses)
    {
        SCOPED_TRACE (press.toString());
        BrowserFixture f;
        f.setKicks (3, 1);
        f.browser.show();
        f.click (userTab);
        f.click (removeIconOf (0));
        ASSERT_TRUE (f.browser.hasPendingRemoval());
        EXPECT_EQ (f.browser.getCancelButtonBounds(), juce::Rectangle<int> (48, 372, 147, 34));

        f.now += 450;
        f.click (press);
        EXPECT_FALSE (f.browser.hasPendingRemoval());
        EXPECT_TRUE (f.removed.empty());
        EXPECT_TRUE (f.browser.isVisible());
        EXPECT_TRUE (f.chosen.empty());
        EXPECT_EQ (f.browser.getCurrentTab(), vyl::PresetBrowserPopup::userTab);
    }
}

TEST (PresetBrowserPopup, EscapeClosesTheDialogThenTheBrowserAndOtherKeysPassThrough)
{
    BrowserFixture f;
    f.setKicks (3, 1);
    f.browser.show();
    f.click (userTab);
    f.click (removeIconOf (0));
    ASSERT_TRUE (f.browser.hasPendingRemoval());

    const juce::KeyPress escape (juce::KeyPress::escapeKey);
    for (const auto modifier : { juce::ModifierKeys::shiftModifier, juce::ModifierKeys::ctrlModifier, juce::ModifierKeys::altModifier })
        EXPECT_FALSE (f.browser.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey, modifier, 0)));
    EXPECT_TRUE (f.browser.hasPendingRemoval());

    // Return, Up and Down belong to the editor content: not consumed, nothing changes.
    for (const auto key : { juce::KeyPress::returnKey, juce::KeyPress::upKey, juce::KeyPress::downKey })
        EXPECT_FALSE (f.browser.keyPressed (juce::KeyPress (key)));
    EXPECT_TRUE (f.browser.hasPendingRemoval());

    EXPECT_TRUE (f.browser.keyPressed (escape));
    EXPECT_FALSE (f.browser.hasPendingRemoval());
    EXPECT_TRUE (f.browser.isVisible());

    EXPECT_FALSE (f.browser.keyPressed (juce::KeyPress (juce::KeyPress::returnKey)));
    EXPECT_TRUE (f.browser.isVisible());

    EXPECT_TRUE (f.browser.keyPressed (escape));
    EXPECT_FALSE (f.browser.isVisible());
    EXPECT_TRUE (f.removed.empty());
}

TEST (PresetBrowserPopup, ClosingAndSwitchingToUserCancelTheDialog)
{
    BrowserFixture f;
    f.setKicks (3, 1);
    f.browser.show();
    f.click (userTab);
    f.click (removeIconOf (0));
    f.browser.close();
    EXPECT_FALSE (f.browser.hasPendingRemoval());
    EXPECT_TRUE (f.browser.getAddKicksButton().isEnabled());

    f.browser.show();
    f.click (removeIconOf (0));
    f.browser.mouseDoubleClick (f.at (removeIconOf (0))); // a double-click keeps the dialog open
    EXPECT_TRUE (f.browser.hasPendingRemoval());
    EXPECT_TRUE (f.browser.isVisible());
    EXPECT_EQ (f.browser.getTooltipAt (nameOf (0)), ""); // no tooltips behind the dialog

    f.browser.showUserTab(); // already shown: nothing happens
    EXPECT_TRUE (f.browser.hasPendingRemoval());
}

TEST (PresetBrowserPopup, EmptyTabsHaveNoRowsNoScrollbarAndNoNeighbour)
{
    BrowserFixture f;
    f.setKicks (15); // factory kicks only
    f.browser.show();

    for (const auto tab : { favoritesTab, userTab })
    {
        f.click (tab);
        EXPECT_TRUE (f.browser.getVisibleItems().empty());
        EXPECT_FALSE (f.browser.isScrollable());
        EXPECT_EQ (f.browser.getNeighbourKick (f.factoryFolder.getChildFile ("Kick 01.wav"), 1), juce::File());
        f.click (nameOf (0));
        EXPECT_TRUE (f.chosen.empty());
        EXPECT_EQ (f.browser.getTooltipAt (nameOf (0)), "");
    }
}

TEST (PresetBrowserPopup, Tooltips)
{
    BrowserFixture f;
    f.setKicks (20, 1);
    f.favorites.toggleFavorite ("Kick 02.wav");
    f.browser.show();

    struct Case
    {
        bool onUserTab;
        juce::Point<int> where;
        juce::String expected;
    };

    const Case cases[] = {
        { false, { 10, 300 }, "" },
        { false, { 30, 180 }, "Every kick that came with ZOB" },
        { false, { 139, 180 }, "Every kick that came with ZOB" },
        { false, { 140, 180 }, "The kicks you have starred" },
        { false, { 378, 180 }, "Kicks you have added yourself. Drop wav or aiff files anywhere on ZOB to add more." },
        { false, { 372, 400 }, "Drag to scroll, or click anywhere on the bar to jump straight there" },
        { false, starOf (0), "Add to favorites" },
        { false, starOf (1), "Remove from favorites" },
        { false, removeIconOf (1), "Kick 02.wav" }, // no remove icon off the USER tab
        { false, nameOf (2), "Kick 03.wav" },
        { false, keyBadgeOf (2), "No clear pitch could be found in this kick" }, // not detected yet
        { true, removeIconOf (1), "Remove Kick 02 from your library. This deletes the file, so it asks first." },
        { true, starOf (1), "Remove from favorites" },
        { true, { 200, 510 }, "" }, // below the list, beside the add button
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.where.toString());
        f.click (c.onUserTab ? userTab : allTab);
        EXPECT_EQ (f.browser.getTooltipAt (c.where), c.expected);
    }
}

TEST (PresetBrowserPopup, KeyBadgesComeFromTheKeyCache)
{
    BrowserFixture f;
    f.factoryFolder.createDirectory();
    std::vector<Item> items;
    for (const auto* name : { "Sharp.wav", "Wobbly.wav", "Toneless.wav", "New.wav" })
    {
        items.push_back (makeItem (f.factoryFolder, name, false));
        ASSERT_TRUE (zobtest::writeWavFile (items.back().path, zobtest::makeSineKick (1, 44100, 44100.0, 65.406), 44100.0, 16));
    }

    const auto cacheFile = f.home.userFolder().getChildFile ("keycache.xml");
    f.home.userFolder().createDirectory();
    writeKeyCacheFile (cacheFile, { { items[0].path, pitchOf (36, false) }, { items[1].path, pitchOf (24, true) }, { items[2].path, KickPitchResult() } });
    f.keyCache.loadXml (cacheFile);

    f.browser.setItems (items);
    f.browser.setCurrentKick (items[1].path);
    f.browser.show();

    EXPECT_EQ (f.browser.getTooltipAt (keyBadgeOf (0)), "This kick is in C2");
    EXPECT_EQ (f.browser.getTooltipAt (keyBadgeOf (1)), "This kick is in C1. The pitch moves, so it is an estimate.");
    EXPECT_EQ (f.browser.getTooltipAt (keyBadgeOf (2)), "No clear pitch could be found in this kick");

    for (const auto dark : { false, true })
    {
        zobtest::ScopedScheme scheme (dark);
        const auto image = renderBrowser (f);
        const auto panel = vyl::Palette::panel();
        const auto currentFill = panel.overlaidWith (vyl::Palette::accent().withAlpha ((juce::uint8) 0x29));
        const auto badge = [&] (int row)
        { return f.browser.getKeyBadgeBounds (row).reduced (0, 4); };

        EXPECT_GT (inkIn (image, badge (0), panel), 10);
        EXPECT_GT (inkIn (image, badge (1), currentFill), 10);
        EXPECT_EQ (inkIn (image, badge (2), panel), 0); // analysed, no clear pitch
        if (! dark) // the first paint's lookup queues it: it cannot be known yet
        {
            EXPECT_EQ (inkIn (image, badge (3), panel), 0);
        }

        // "~C1" reaches further left than "C2": both end at the badge's right edge.
        EXPECT_LT (leftmostInk (image, badge (1), currentFill), leftmostInk (image, badge (0), panel) - 3);
        zobtest::saveSnapshot (image, dark ? "browser-keys-dark" : "browser-keys-light");
    }

    // The painted lookups queued the new kick; once detected, its badge appears.
    bool changed = false;
    f.keyCache.onChange = [&changed]
    { changed = true; };
    ASSERT_TRUE (zobtest::runMessagesUntil ([&changed]
                                            { return changed; },
                                            20000));
    f.keyCache.onChange = nullptr;
    KickPitchResult detected;
    ASSERT_TRUE (f.keyCache.lookup (items[3].path, detected));
    ASSERT_TRUE (detected.valid);
    EXPECT_EQ (f.browser.getTooltipAt (keyBadgeOf (3)).upToFirstOccurrenceOf (".", false, false), "This kick is in " + detected.noteName());
    EXPECT_GT (inkIn (renderBrowser (f), f.browser.getKeyBadgeBounds (3).reduced (0, 4), vyl::Palette::panel()), 10);
}

//==============================================================================
TEST (PresetBrowserPopupPainting, PanelTabsAndRowsInBothSchemes)
{
    for (const auto dark : { false, true })
    {
        SCOPED_TRACE (dark ? "dark" : "light");
        zobtest::ScopedScheme scheme (dark);
        BrowserFixture f;
        f.setKicks (4);
        f.favorites.toggleFavorite ("Kick 02.wav");
        f.browser.setCurrentKick (f.factoryFolder.getChildFile ("Kick 04.wav"));
        f.browser.show();
        f.move (nameOf (1));

        const auto image = renderBrowser (f);
        zobtest::saveSnapshot (image, dark ? "browser-dark" : "browser-light");

        const auto panel = vyl::Palette::panel();
        const auto hoveredFill = panel.overlaidWith (juce::Colour (0x0bffffffu));
        const auto currentFill = panel.overlaidWith (vyl::Palette::accent().withAlpha ((juce::uint8) 0x29));
        EXPECT_EQ (panel, juce::Colour (dark ? 0xff161513 : 0xff20211d));

        const auto near = [&] (juce::Point<int> p, juce::Colour expected, int tolerance)
        {
            SCOPED_TRACE (p.toString());
            EXPECT_LE (zobtest::colourDistance (image.getPixelAt (p.x, p.y), expected), tolerance)
                << image.getPixelAt (p.x, p.y).toDisplayString (true) << " vs " << expected.toDisplayString (true);
        };

        // Only the panel is painted; its rim is the outline colour.
        near ({ 10, 10 }, canvasGrey, 0);
        near ({ 200, 600 }, canvasGrey, 0);
        near ({ 200, 450 }, panel, 0); // below the last row
        near ({ 20, 350 }, vyl::Palette::outline(), 8);
        near ({ 200, 530 }, vyl::Palette::outline(), 8);

        // The selected tab's underline, the separator under the tabs.
        near ({ 80, 199 }, vyl::Palette::accent(), 2);
        near ({ 80, 200 }, vyl::Palette::accent(), 2);
        near ({ 80, 198 }, panel, 0);
        near ({ 200, 199 }, panel, 0);
        near ({ 200, 201 }, juce::Colour (dark ? 0xff686561 : 0xff646461), 1);
        near ({ 24, 201 }, panel, 0);

        // Row 1 hovered, row 3 current; separators under all rows but the last.
        near ({ 25, rowMiddle (0) }, panel, 0);
        near ({ 25, rowMiddle (1) }, hoveredFill, 1);
        near ({ 25, rowMiddle (2) }, panel, 0);
        near ({ 25, rowMiddle (3) }, currentFill, 1);
        near ({ 200, listY + 60 }, panel.overlaidWith (vyl::Palette::separator().withAlpha ((juce::uint8) 0x99)), 1);
        near ({ 30, listY + 60 }, panel, 0); // lines stop 13 px inside the list
        near ({ 200, listY + 120 }, panel, 0); // none under the last row

        // The starred row's star is filled; the others are outlines with a hollow centre.
        near ({ 357, listY + 30 + 14 }, vyl::Palette::accent(), 10);
        near ({ 357, listY + 14 }, panel, 0);
        EXPECT_GT (inkIn (image, f.browser.getStarBounds (0), panel), 10);

        // Names in panelText, the current one in accent.
        const auto inkLike = [&] (juce::Rectangle<int> area, juce::Colour colour)
        {
            int count = 0;
            for (int y = area.getY(); y < area.getBottom(); ++y)
                for (int x = area.getX(); x < area.getRight(); ++x)
                    count += zobtest::colourDistance (image.getPixelAt (x, y), colour) < 40 ? 1 : 0;
            return count;
        };
        EXPECT_GT (inkLike ({ 34, listY, 100, rowHeight }, vyl::Palette::panelText()), 5);
        EXPECT_EQ (inkLike ({ 34, listY, 100, rowHeight }, vyl::Palette::accent()), 0);
        EXPECT_GT (inkLike ({ 34, listY + 3 * rowHeight, 100, rowHeight }, vyl::Palette::accent()), 5);
        EXPECT_EQ (inkIn (image, { 300, listY + 5 * rowHeight, 70, 2 * rowHeight }, panel), 0);

        // A row that is hovered and current shows only the current fill.
        f.move (nameOf (3));
        EXPECT_EQ (renderBrowser (f).getPixelAt (25, rowMiddle (3)), image.getPixelAt (25, rowMiddle (3)));

        // The FAVORITES tab's star, centred with its label, is filled only while that tab is shown.
        const auto labelWidth = vyl::Fonts::semiBoldFont (12.0f).withExtraKerningFactor (1.4f / 12.0f).getStringWidthFloat ("FAVORITES");
        const auto starCentre = juce::Point<float> (199.0f - (labelWidth + 18.0f) / 2.0f + 5.5f, 183.0f).toInt();
        near (starCentre, panel, 0);
        EXPECT_GT (inkIn (image, juce::Rectangle<int> (11, 11).withCentre (starCentre), panel), 10);

        f.click (favoritesTab);
        f.move (allTab); // a hovered tab that is not selected brightens
        const auto favouritesImage = renderBrowser (f);
        zobtest::saveSnapshot (favouritesImage, dark ? "browser-favorites-dark" : "browser-favorites-light");
        EXPECT_LE (zobtest::colourDistance (favouritesImage.getPixelAt (starCentre.x, starCentre.y), vyl::Palette::accent()), 10);
        near ({ 30, 175 }, panel, 0);
        EXPECT_LE (zobtest::colourDistance (favouritesImage.getPixelAt (30, 175), panel.overlaidWith (juce::Colour (0x0affffffu))), 1);
        EXPECT_NE (favouritesImage.getPixelAt (30, 175), panel);
    }
}

TEST (PresetBrowserPopupPainting, RemoveIconOnlyOnTheHoveredUserRow)
{
    BrowserFixture f;
    f.setKicks (4, 1);
    f.browser.show();
    const auto icon = [&] (int row)
    { return f.browser.getRemoveIconBounds (row); };
    const auto panel = vyl::Palette::panel();

    f.move (nameOf (1)); // on ALL KICKS: no remove icon
    EXPECT_EQ (inkIn (renderBrowser (f), { listRight - 103, rowMiddle (1) - 9, 17, 17 }, panel.overlaidWith (juce::Colour (0x0bffffffu))), 0);

    f.click (userTab);
    f.move (nameOf (1));
    auto image = renderBrowser (f);
    const auto hoveredFill = panel.overlaidWith (juce::Colour (0x0bffffffu));
    const auto quietInk = inkIn (image, icon (1), hoveredFill);
    EXPECT_GT (quietInk, 5);
    EXPECT_EQ (inkIn (image, icon (0), panel), 0);
    EXPECT_EQ (inkIn (image, icon (2), panel), 0);

    // Over the icon itself it turns accent and thicker.
    f.move (removeIconOf (1));
    image = renderBrowser (f);
    zobtest::saveSnapshot (image, "browser-user-hover-remove");
    EXPECT_GT (inkIn (image, icon (1), hoveredFill), quietInk);
    const auto centre = icon (1).getCentre();
    EXPECT_LE (zobtest::colourDistance (image.getPixelAt (centre.x, centre.y), vyl::Palette::accent()), 40);

    // Leaving the browser clears the hover.
    f.browser.mouseExit (f.at ({ 500, 500 }));
    EXPECT_EQ (inkIn (renderBrowser (f), icon (1), panel), 0);
}

TEST (PresetBrowserPopupPainting, HoverFollowsTheMouseWhenTheRemovalDialogCloses)
{
    enum Close
    {
        escapeOverRow2,
        escapeAfterLeaving,
        cancel,
        remove
    };

    for (const auto close : { escapeOverRow2, escapeAfterLeaving, cancel, remove })
    {
        SCOPED_TRACE ((int) close);
        BrowserFixture f;
        f.setKicks (4, 1);
        f.browser.show();
        f.click (userTab);
        f.move (removeIconOf (0));
        f.click (removeIconOf (0));
        ASSERT_TRUE (f.browser.hasPendingRemoval());
        f.now += 450;

        switch (close)
        {
            case escapeOverRow2:
                f.move (nameOf (2));
                f.browser.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
                break;
            case escapeAfterLeaving:
                f.browser.mouseExit (f.at ({ 500, 500 }));
                f.browser.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
                break;
            case cancel:
                f.move ({ 121, 389 });
                f.click ({ 121, 389 });
                break;
            case remove:
                f.move ({ 278, 389 });
                f.click ({ 278, 389 });
                break;
        }

        ASSERT_FALSE (f.browser.hasPendingRemoval());
        const auto image = renderBrowser (f);
        const auto panel = vyl::Palette::panel();
        const auto hoveredFill = panel.overlaidWith (juce::Colour (0x0bffffffu));

        // The row that opened the dialog keeps no hover and no accent remove icon.
        EXPECT_EQ (inkIn (image, f.browser.getRemoveIconBounds (0), panel), 0);
        EXPECT_LE (zobtest::colourDistance (image.getPixelAt (25, rowMiddle (0)), panel), 1);

        // Over row 2 that row is hovered, with its quiet remove icon.
        const auto row2Hovered = close == escapeOverRow2;
        EXPECT_EQ (zobtest::colourDistance (image.getPixelAt (25, rowMiddle (2)), hoveredFill) <= 1, row2Hovered);
        EXPECT_EQ (inkIn (image, f.browser.getRemoveIconBounds (2), row2Hovered ? hoveredFill : panel) > 5, row2Hovered);
    }
}

TEST (PresetBrowserPopupPainting, ScrollbarTrackAndThumb)
{
    for (const auto dark : { false, true })
    {
        SCOPED_TRACE (dark ? "dark" : "light");
        zobtest::ScopedScheme scheme (dark);
        BrowserFixture f;
        f.setKicks (20);
        f.browser.show();

        auto image = renderBrowser (f);
        const auto track = juce::Colour (dark ? 0xff5c5954 : 0xff575854);
        const auto thumbAt = [&] (float opacity)
        { return track.overlaidWith (vyl::Palette::textMuted().withAlpha (opacity)); };
        EXPECT_LE (zobtest::colourDistance (image.getPixelAt (374, 450), track), 2); // track below the thumb
        EXPECT_LE (zobtest::colourDistance (image.getPixelAt (374, 300), thumbAt (0.55f)), 2);
        EXPECT_EQ (image.getPixelAt (371, 300), vyl::Palette::panel()); // 4 px wide at rest

        f.move ({ 374, 300 });
        image = renderBrowser (f);
        EXPECT_LE (zobtest::colourDistance (image.getPixelAt (371, 300), thumbAt (0.8f)), 2); // 6 px wide now

        f.browser.mouseDown (f.at ({ 374, 300 }));
        image = renderBrowser (f);
        EXPECT_LE (zobtest::colourDistance (image.getPixelAt (374, 300), thumbAt (1.0f)), 2);
        zobtest::saveSnapshot (image, dark ? "browser-scroll-dark" : "browser-scroll-light");
    }
}

TEST (PresetBrowserPopupPainting, RemovalDialogInBothSchemes)
{
    for (const auto dark : { false, true })
    {
        SCOPED_TRACE (dark ? "dark" : "light");
        zobtest::ScopedScheme scheme (dark);
        BrowserFixture f;
        f.setKicks (3, 1);
        f.browser.show();
        f.click (userTab);
        f.click (removeIconOf (1));
        f.move ({ 278, 389 }); // over REMOVE

        const auto image = renderBrowser (f);
        zobtest::saveSnapshot (image, dark ? "browser-dialog-dark" : "browser-dialog-light");

        const auto panel = vyl::Palette::panel();
        const auto dialog = juce::Colour (dark ? 0xff2b2a28 : 0xff343531);
        const auto near = [&] (juce::Point<int> p, juce::Colour expected, int tolerance = 2)
        {
            SCOPED_TRACE (p.toString());
            EXPECT_LE (zobtest::colourDistance (image.getPixelAt (p.x, p.y), expected), tolerance)
                << image.getPixelAt (p.x, p.y).toDisplayString (true) << " vs " << expected.toDisplayString (true);
        };

        near ({ 200, 470 }, panel.overlaidWith (juce::Colour (0x8c000000u)), 1); // the dimmed panel
        near ({ 10, 10 }, canvasGrey, 0); // nothing outside it
        near ({ 40, 300 }, dialog, 1);
        EXPECT_GT (image.getPixelAt (32, 340).getRed(), dialog.getRed() + 40); // its accent rim
        near ({ 215, 376 }, vyl::Palette::accent(), 1); // REMOVE hovered: opaque
        near ({ 58, 376 }, vyl::Palette::outline(), 1); // CANCEL at rest

        EXPECT_GT (inkIn (image, { 48, 290, 304, 38 }, dialog), 100); // the question
        EXPECT_GT (inkIn (image, { 48, 332, 304, 20 }, dialog), 20); // the kick's name
        EXPECT_GT (inkIn (image, { 205, 372, 147, 34 }, vyl::Palette::accent()), 20); // "REMOVE"

        f.move ({ 121, 389 }); // over CANCEL
        const auto hovered = renderBrowser (f);
        EXPECT_LE (zobtest::colourDistance (hovered.getPixelAt (58, 376), vyl::Palette::outline().brighter (0.25f)), 1);
        EXPECT_LE (zobtest::colourDistance (hovered.getPixelAt (215, 376), dialog.overlaidWith (vyl::Palette::accent().withAlpha ((juce::uint8) 0xd9))), 1);
    }
}

TEST (PresetBrowserPopupPainting, EmptyTabsShowTheirHint)
{
    for (const auto dark : { false, true })
    {
        zobtest::ScopedScheme scheme (dark);
        BrowserFixture f;
        f.browser.show();
        const auto panel = vyl::Palette::panel();

        for (const auto tab : { allTab, favoritesTab, userTab })
        {
            SCOPED_TRACE (tab.toString());
            f.click (tab);
            const auto image = renderBrowser (f);
            const auto hintBox = juce::Rectangle<int> (47, 211, 306, f.browser.getListArea().getHeight() - 20);
            EXPECT_GT (inkIn (image, hintBox, panel), 50);
            EXPECT_EQ (inkIn (image, { 21, 205, 26, 280 }, panel), 0); // nothing left of the box
            if (tab == userTab)
                zobtest::saveSnapshot (image, dark ? "browser-empty-user-dark" : "browser-empty-user-light");
        }
    }
}

TEST (PresetBrowserPopupPainting, StarShapeFilledAndOutlined)
{
    juce::Image image (juce::Image::ARGB, 60, 20, true, juce::SoftwareImageType());
    {
        juce::Graphics g (image);
        g.fillAll (juce::Colours::black);
        vyl::PresetBrowserPopup::drawStar (g, { 0, 0, 17, 17 }, true, false);
        vyl::PresetBrowserPopup::drawStar (g, { 20, 0, 17, 17 }, false, false);
        vyl::PresetBrowserPopup::drawStar (g, { 40, 0, 17, 17 }, false, true);
    }

    // Filled: accent at the centre; the top point is straight above it (radius 0.48 * 17).
    EXPECT_LE (zobtest::colourDistance (image.getPixelAt (8, 9), vyl::Palette::accent()), 10);
    EXPECT_GT (image.getPixelAt (8, 1).getBrightness(), 0.2f);
    EXPECT_EQ (image.getPixelAt (2, 1), juce::Colours::black); // outside the points

    // Outlined: hollow centre; the hovered outline is brighter.
    EXPECT_EQ (image.getPixelAt (28, 9), juce::Colours::black);
    int quiet = 0, hovered = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            quiet += image.getPixelAt (20 + x, y).getBrightness() > 0.45f ? 1 : 0, hovered += image.getPixelAt (40 + x, y).getBrightness() > 0.45f ? 1 : 0;
    EXPECT_GT (hovered, quiet);
    EXPECT_GT (hovered, 10);
}
