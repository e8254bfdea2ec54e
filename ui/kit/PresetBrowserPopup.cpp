#include "ui/kit/PresetBrowserPopup.h"

#include "library/FavoritesStore.h"
#include "library/KeyCache.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Palette.h"

#include <algorithm>
#include <tuple>

namespace vyl
{
namespace
{
    // Fixed canvas coordinates, whatever the browser's own size.
    const juce::Rectangle<int> panelBounds { 20, 166, 360, 365 };
    const juce::Rectangle<int> tabsBounds { 21, 167, 358, 34 };
    const juce::Rectangle<int> listBounds { 21, 201, 358, 329 };
    const juce::Rectangle<int> userListBounds { 21, 201, 358, 295 }; // leaves room for the add button
    const juce::Rectangle<int> addButtonBounds { 31, 501, 338, 24 };

    // Row furniture, measured from the list's right edge.
    constexpr int starInsetFromRight = 30;
    constexpr int keyBadgeInsetFromRight = 78;
    constexpr int keyBadgeWidth = 40;
    constexpr int removeIconInsetFromRight = 103;
    constexpr int iconSize = 17;
    constexpr int iconTopInRow = 6;

    constexpr int scrollbarStripWidth = 12;
    // The list moves 72 px per unit of wheel movement: about 34 px for a notch that reports
    // 0.47 units.
    constexpr float wheelPixelsPerUnit = 72.0f;
#if JUCE_LINUX || JUCE_BSD
    // JUCE reports a notch on X11 as 50/256 units, which would move only 14 px (crossing 200
    // kicks would take some 430 notches): the notch is scaled to move the same 34 px.
    constexpr float wheelPixelsPerReportedUnit = 0.47f * wheelPixelsPerUnit / (50.0f / 256.0f);
#else
    constexpr float wheelPixelsPerReportedUnit = wheelPixelsPerUnit;
#endif
    constexpr int dialogHeight = 148;

    const char* const tabLabels[] = { "ALL KICKS", "FAVORITES", "USER" };

    const char* const tabHints[] = { "No kicks installed.",
                                     "Tap a star to keep your favourite kicks here.",
                                     "Drop your own kicks anywhere on ZOB, or use the button below." };

    const char* const tabTooltips[] = { "Every kick that came with ZOB",
                                        "The kicks you have starred",
                                        "Kicks you have added yourself. Drop wav or aiff files anywhere on ZOB to add more." };

    const char* const scrollbarTooltip = "Drag to scroll, or click anywhere on the bar to jump straight there";
    const char* const noPitchTooltip = "No clear pitch could be found in this kick";
    const char* const removalQuestion = "Are you sure you want to remove this sample from your ZOB library?";

    juce::Colour withAlphaByte (juce::Colour colour, int alpha) { return colour.withAlpha ((juce::uint8) alpha); }

    /** The tab under x within the tabs' row, by thirds (the last third reaching the right edge). */
    int tabAtX (juce::Rectangle<int> tabs, int x)
    {
        return juce::jlimit (0, 2, (x - tabs.getX()) / juce::jmax (1, tabs.getWidth() / 3));
    }
} // namespace

PresetBrowserPopup::PresetBrowserPopup (FavoritesStore* favoritesToUse, KeyCache* keyCacheToUse)
    : favorites (favoritesToUse)
    , keyCache (keyCacheToUse)
    , millisecondClock ([]
                        { return juce::Time::getMillisecondCounter(); })
{
    setVisible (false);
    setWantsKeyboardFocus (true);

    addKicksButton.setWantsKeyboardFocus (false);
    addKicksButton.onClick = [this]
    {
        if (onAddKicks)
            onAddKicks();
    };
    addChildComponent (addKicksButton);

    applyColours();
}

PresetBrowserPopup::~PresetBrowserPopup() = default;

//==============================================================================
void PresetBrowserPopup::setItems (std::vector<Item> newItems)
{
    items = std::move (newItems);
    clampScroll();

    if (isVisible())
        repaint();
}

void PresetBrowserPopup::setCurrentKick (const juce::File& file)
{
    // Kept whole even when only the folder changed: the neighbours and the scrolling look
    // for the kick by its path.
    currentFile = file;
    const auto name = file.getFileName();

    if (name == currentFileName)
        return;

    currentFileName = name;

    if (isVisible())
        repaint();
}

void PresetBrowserPopup::show()
{
    if (favorites != nullptr)
        favorites->reloadFavorites();

    if (auto* parent = getParentComponent())
        setBounds (0, 0, parent->getWidth(), parent->getHeight());

    setVisible (true);
    updateLayout();
    clampScroll();
    toFront (true);
    grabKeyboardFocus();
    repaint();
}

void PresetBrowserPopup::close()
{
    setPendingRemoval ({}, {});
    setVisible (false);
    addKicksButton.setVisible (false);
}

void PresetBrowserPopup::showUserTab()
{
    if (currentTab == userTab)
        return;

    setPendingRemoval ({}, {});
    currentTab = userTab;
    scrollOffset = 0;
    hoveredRow = -1;
    updateLayout();
    clampScroll();
    repaint();
}

void PresetBrowserPopup::scrollToCurrent()
{
    if (! isVisible())
        return;

    const auto visible = getVisibleItems();
    const auto index = findKick (visible, currentFile);

    if (index < 0)
        return;

    const auto top = index * rowHeight;
    const auto listHeight = listArea.getHeight();

    if (top >= scrollOffset && scrollOffset + listHeight >= top + rowHeight)
        return;

    scrollOffset = top < scrollOffset ? top : top + rowHeight - listHeight;
    clampScroll();
    repaint();
}

juce::File PresetBrowserPopup::getNeighbourKick (const juce::File& current, int direction) const
{
    const auto visible = getVisibleItems();

    if (visible.empty())
        return {};

    const auto count = (int) visible.size();
    const auto i = findKick (visible, current);

    if (i < 0)
        return direction < 0 ? visible.back()->path : visible.front()->path;

    auto j = i + direction;

    if (j < 0)
        j = count - 1;
    else if (j >= count)
        j = 0;

    return visible[(size_t) j]->path;
}

int PresetBrowserPopup::findKick (const std::vector<const Item*>& visible, const juce::File& kick)
{
    // A factory kick and a user kick may share a file name: the path tells them apart, so
    // that stepping from the user copy goes on after it. The name is the fallback for a
    // kick whose path is not listed (a kick restored from elsewhere).
    for (size_t i = 0; i < visible.size(); ++i)
        if (visible[i]->path == kick)
            return (int) i;

    const auto name = kick.getFileName();

    for (size_t i = 0; i < visible.size(); ++i)
        if (visible[i]->fileName == name)
            return (int) i;

    return -1;
}

std::vector<const PresetBrowserPopup::Item*> PresetBrowserPopup::getVisibleItems() const
{
    std::vector<const Item*> visible;
    visible.reserve (items.size());

    for (const auto& item : items)
    {
        const auto admitted = currentTab == favoritesTab ? (favorites != nullptr && favorites->fileNames.contains (item.fileName))
                              : currentTab == userTab    ? item.userAdded
                                                         : true;
        if (admitted)
            visible.push_back (&item);
    }

    return visible;
}

void PresetBrowserPopup::applyColours()
{
    addKicksButton.setColour (juce::TextButton::buttonColourId, Palette::outline());
    addKicksButton.setColour (juce::TextButton::textColourOffId, Palette::panelText());
    repaint();
}

void PresetBrowserPopup::setMillisecondClock (std::function<juce::uint32()> clock)
{
    millisecondClock = clock != nullptr ? std::move (clock) : []
    { return juce::Time::getMillisecondCounter(); };
}

//==============================================================================
void PresetBrowserPopup::updateLayout()
{
    panelArea = panelBounds;
    tabsArea = tabsBounds;

    if (currentTab == userTab)
    {
        addButtonArea = addButtonBounds;
        addKicksButton.setBounds (addButtonArea);
        listArea = userListBounds;
    }
    else
    {
        addButtonArea = {};
        listArea = listBounds;
    }

    addKicksButton.setVisible (currentTab == userTab && isVisible());
}

int PresetBrowserPopup::getContentHeight() const { return (int) getVisibleItems().size() * rowHeight; }

bool PresetBrowserPopup::isScrollable() const { return getContentHeight() > listArea.getHeight(); }

void PresetBrowserPopup::clampScroll()
{
    if (scrollOffset < 0)
        scrollOffset = 0;
    else
        scrollOffset = juce::jmin (scrollOffset, juce::jmax (getContentHeight() - listArea.getHeight(), 0));
}

int PresetBrowserPopup::getRowAt (juce::Point<int> position) const
{
    if (! listArea.contains (position))
        return -1;

    const auto offset = position.y - listArea.getY() + scrollOffset;

    if (offset < 0)
        return -1;

    const auto row = offset / rowHeight;
    return row < (int) getVisibleItems().size() ? row : -1;
}

juce::Rectangle<int> PresetBrowserPopup::getTabBounds (int tab) const
{
    const auto third = tabsArea.getWidth() / 3;
    const auto width = tab == 2 ? tabsArea.getWidth() - 2 * third : third;
    return { tabsArea.getX() + tab * third, tabsArea.getY(), width, tabsArea.getHeight() };
}

juce::Rectangle<int> PresetBrowserPopup::getStarBounds (int row) const
{
    return { listArea.getRight() - starInsetFromRight, rowTop (row) + iconTopInRow, iconSize, iconSize };
}

juce::Rectangle<int> PresetBrowserPopup::getKeyBadgeBounds (int row) const
{
    return { listArea.getRight() - keyBadgeInsetFromRight, rowTop (row), keyBadgeWidth, rowHeight };
}

juce::Rectangle<int> PresetBrowserPopup::getRemoveIconBounds (int row) const
{
    if (currentTab != userTab)
        return {};

    return { listArea.getRight() - removeIconInsetFromRight, rowTop (row) + iconTopInRow, iconSize, iconSize };
}

juce::Rectangle<int> PresetBrowserPopup::getDialogBounds() const
{
    if (! hasPendingRemoval())
        return {};

    const auto width = panelArea.getWidth() - 24;
    return { panelArea.getX() + panelArea.getWidth() / 2 - width / 2,
             panelArea.getY() + panelArea.getHeight() / 2 - dialogHeight / 2,
             width,
             dialogHeight };
}

juce::Rectangle<int> PresetBrowserPopup::getCancelButtonBounds() const
{
    const auto dialog = getDialogBounds();

    if (dialog.isEmpty())
        return {};

    const auto innerHeight = juce::jmax (dialog.getHeight() - 32, 0);
    const auto innerWidth = juce::jmax (dialog.getWidth() - 32, 0);
    const auto height = juce::jmin (innerHeight, 34);
    const auto width = juce::jmin (innerWidth, (innerWidth - 10) / 2);
    return { dialog.getX() + 16, dialog.getY() + 16 + innerHeight - height, width, height };
}

juce::Rectangle<int> PresetBrowserPopup::getRemoveButtonBounds() const
{
    const auto dialog = getDialogBounds();
    const auto cancel = getCancelButtonBounds();

    if (cancel.isEmpty())
        return {};

    const auto innerWidth = juce::jmax (dialog.getWidth() - 32, 0);
    return cancel.withX (dialog.getX() + 16 + innerWidth - cancel.getWidth());
}

juce::Rectangle<int> PresetBrowserPopup::getScrollbarHitBounds() const
{
    if (! isScrollable())
        return {};

    return { listArea.getRight() - scrollbarStripWidth, listArea.getY(), scrollbarStripWidth, listArea.getHeight() };
}

juce::Rectangle<int> PresetBrowserPopup::getScrollTrackBounds() const
{
    if (! isScrollable())
        return {};

    const auto width = (scrollbarHovered || scrollbarDragging) ? 6 : 4;
    const juce::Rectangle<int> track { listArea.getRight() - 3 - width, listArea.getY() + 4, width, listArea.getHeight() - 8 };
    return track.getHeight() > 0 ? track : juce::Rectangle<int>();
}

juce::Rectangle<int> PresetBrowserPopup::getScrollThumbBounds() const
{
    const auto track = getScrollTrackBounds();

    if (track.isEmpty())
        return {};

    const auto contentHeight = getContentHeight();
    const auto listHeight = listArea.getHeight();
    const auto height = juce::jmax (24, juce::roundToInt ((float) listHeight / (float) contentHeight * (float) track.getHeight()));
    const auto travel = track.getHeight() - height;
    const auto range = juce::jmax (contentHeight - listHeight, 1);
    const auto top = track.getY() + juce::roundToInt ((float) scrollOffset / (float) range * (float) travel);
    return { track.getX(), top, track.getWidth(), height };
}

void PresetBrowserPopup::dragScrollTo (int mouseY)
{
    if (! isScrollable())
        return;

    const auto track = getScrollTrackBounds();
    const auto thumb = getScrollThumbBounds();

    if (track.isEmpty() || thumb.isEmpty())
        return;

    const auto travel = track.getHeight() - thumb.getHeight();

    if (travel <= 0)
        return;

    const auto fraction = juce::jlimit (0.0f, 1.0f, (float) (mouseY - track.getY()) / (float) travel);
    scrollOffset = juce::roundToInt ((float) (getContentHeight() - listArea.getHeight()) * fraction);
    clampScroll();
}

void PresetBrowserPopup::setPendingRemoval (const juce::File& file, const juce::String& name)
{
    const auto closing = hasPendingRemoval() && file == juce::File();
    pendingRemovalPath = file;
    pendingRemovalName = name;
    hoveredDialogButton = -1;
    dialogOpenedMs = millisecondClock();
    addKicksButton.setEnabled (file == juce::File());

    // While the dialog was open the rows kept the hover of the press that opened it; the
    // mouse may be over another row now, or gone.
    if (closing)
    {
        if (lastMousePosition.has_value())
            updateHover (*lastMousePosition);
        else
            clearHover();
    }

    repaint();
}

bool PresetBrowserPopup::isDialogArmed() const
{
    // Unsigned difference, so the limit holds across the counter's wrap.
    return hasPendingRemoval() && (juce::uint32) (millisecondClock() - dialogOpenedMs) >= dialogArmingMs;
}

//==============================================================================
void PresetBrowserPopup::mouseMove (const juce::MouseEvent& e)
{
    const auto position = e.getPosition();
    lastMousePosition = position;

    if (hasPendingRemoval())
    {
        const auto button = getCancelButtonBounds().contains (position)   ? 0
                            : getRemoveButtonBounds().contains (position) ? 1
                                                                          : -1;
        if (button != hoveredDialogButton)
        {
            hoveredDialogButton = button;
            repaint();
        }
        return;
    }

    updateHover (position);
}

void PresetBrowserPopup::updateHover (juce::Point<int> position)
{
    const auto before = std::make_tuple (scrollbarHovered, hoveredRow, hoveredStar, hoveredRemove, hoveredTab);

    scrollbarHovered = getScrollbarHitBounds().contains (position);

    if (tabsArea.contains (position))
    {
        hoveredTab = tabAtX (tabsArea, position.x);
        hoveredRow = hoveredStar = hoveredRemove = -1;
    }
    else if (! scrollbarHovered)
    {
        hoveredRow = getRowAt (position);
        hoveredStar = hoveredRow >= 0 && getStarBounds (hoveredRow).contains (position) ? hoveredRow : -1;
        hoveredRemove = hoveredRow >= 0 && getRemoveIconBounds (hoveredRow).contains (position) ? hoveredRow : -1;
        hoveredTab = -1;
    }

    if (before != std::make_tuple (scrollbarHovered, hoveredRow, hoveredStar, hoveredRemove, hoveredTab))
        repaint();
}

void PresetBrowserPopup::mouseExit (const juce::MouseEvent&)
{
    lastMousePosition.reset();

    if (scrollbarDragging)
        return;

    clearHover();
}

void PresetBrowserPopup::clearHover()
{
    if (hoveredRow < 0 && hoveredStar < 0 && hoveredRemove < 0 && hoveredTab < 0 && ! scrollbarHovered)
        return;

    hoveredRow = hoveredStar = hoveredRemove = hoveredTab = -1;
    scrollbarHovered = false;
    repaint();
}

void PresetBrowserPopup::mouseDown (const juce::MouseEvent& e)
{
    const auto position = e.getPosition();
    lastMousePosition = position;

    if (hasPendingRemoval())
    {
        // The click that opened the dialog, or the second click of a double-click, must not
        // press one of its buttons.
        if (! isDialogArmed())
            return;

        if (getRemoveButtonBounds().contains (position))
        {
            const auto file = pendingRemovalPath;
            setPendingRemoval ({}, {});

            if (onRemoveConfirmed)
                onRemoveConfirmed (file);
        }
        else
        {
            setPendingRemoval ({}, {});
        }
        return;
    }

    if (! panelArea.contains (position))
    {
        close();
        return;
    }

    if (getScrollbarHitBounds().contains (position))
    {
        const auto thumb = getScrollThumbBounds();

        // The thumb is grabbed anywhere across the strip at its height; elsewhere it jumps to
        // centre on the press.
        if (position.y >= thumb.getY() && position.y < thumb.getBottom())
        {
            scrollDragOffset = position.y - thumb.getY();
        }
        else
        {
            scrollDragOffset = thumb.getHeight() / 2;
            dragScrollTo (position.y - thumb.getHeight() / 2);
        }

        scrollbarDragging = true;
        repaint();
        return;
    }

    if (tabsArea.contains (position))
    {
        for (int tab = 0; tab < 3; ++tab)
        {
            const auto bounds = getTabBounds (tab);

            if (position.x < bounds.getX() || position.x >= bounds.getRight() || tab == currentTab)
                continue;

            currentTab = tab;
            scrollOffset = 0;
            hoveredRow = hoveredStar = -1;
            updateLayout();
            repaint();

            if (onListChanged)
                onListChanged();
            break;
        }
        return;
    }

    const auto row = getRowAt (position);

    if (row < 0)
        return;

    const auto& item = *getVisibleItems()[(size_t) row];

    if (currentTab == userTab && item.userAdded && getRemoveIconBounds (row).contains (position))
    {
        setPendingRemoval (item.path, item.displayName);
    }
    else if (getStarBounds (row).contains (position))
    {
        if (favorites != nullptr)
            favorites->toggleFavorite (item.fileName);

        clampScroll(); // on FAVORITES the row may have gone
        repaint();

        if (onListChanged)
            onListChanged();
    }
    else if (onKickChosen)
    {
        // Copied first: the callback may replace the items.
        const auto file = item.path;
        onKickChosen (file);
    }
}

void PresetBrowserPopup::mouseDrag (const juce::MouseEvent& e)
{
    lastMousePosition = e.getPosition();

    if (! scrollbarDragging)
        return;

    dragScrollTo (e.getPosition().y - scrollDragOffset);
    repaint();
}

void PresetBrowserPopup::mouseUp (const juce::MouseEvent& e)
{
    lastMousePosition = e.getPosition();

    if (! scrollbarDragging)
        return;

    scrollbarDragging = false;
    scrollbarHovered = getScrollbarHitBounds().contains (e.getPosition());
    repaint();
}

void PresetBrowserPopup::mouseDoubleClick (const juce::MouseEvent& e)
{
    if (hasPendingRemoval())
        return;

    const auto position = e.getPosition();
    const auto row = getRowAt (position);

    if (row < 0 || getStarBounds (row).contains (position))
        return;

    close();
}

void PresetBrowserPopup::mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel)
{
    if (! listArea.contains (e.getPosition()))
        return;

    scrollOffset -= juce::roundToInt (wheel.deltaY * wheelPixelsPerReportedUnit);
    clampScroll();
    repaint();
}

bool PresetBrowserPopup::keyPressed (const juce::KeyPress& key)
{
    const auto anyModifier = juce::ModifierKeys::shiftModifier | juce::ModifierKeys::ctrlModifier | juce::ModifierKeys::altModifier;

    if (key.getKeyCode() != juce::KeyPress::escapeKey || key.getModifiers().testFlags (anyModifier))
        return false; // Return, Up, Down and the undo keys belong to the editor content

    if (hasPendingRemoval())
        setPendingRemoval ({}, {});
    else
        close();

    return true;
}

void PresetBrowserPopup::resized() { updateLayout(); }

juce::String PresetBrowserPopup::getTooltip() { return getTooltipAt (getMouseXYRelative()); }

juce::String PresetBrowserPopup::getTooltipAt (juce::Point<int> position) const
{
    if (hasPendingRemoval() || ! panelArea.contains (position))
        return {};

    if (tabsArea.contains (position))
        return tabTooltips[tabAtX (tabsArea, position.x)];

    if (getScrollbarHitBounds().contains (position))
        return scrollbarTooltip;

    const auto row = getRowAt (position);

    if (row < 0)
        return {};

    const auto& item = *getVisibleItems()[(size_t) row];

    if (currentTab == userTab && item.userAdded && getRemoveIconBounds (row).contains (position))
        return "Remove " + item.displayName + " from your library. This deletes the file, so it asks first.";

    if (getStarBounds (row).contains (position))
        return favorites != nullptr && favorites->isFavorite (item.fileName) ? "Remove from favorites" : "Add to favorites";

    if (getKeyBadgeBounds (row).contains (position))
    {
        KickPitchResult result;

        if (keyCache != nullptr && keyCache->lookup (item.path, result) && result.valid)
            return "This kick is in " + result.noteName() + (result.approx ? ". The pitch moves, so it is an estimate." : "");

        return noPitchTooltip;
    }

    return item.fileName;
}

//==============================================================================
void PresetBrowserPopup::paint (juce::Graphics& g)
{
    if (panelArea.isEmpty())
        return;

    // Only the panel is drawn: the canvas stays visible around it.
    const auto panelRect = panelArea.toFloat()
                               .translated (0.5f, 0.5f)
                               .withSize ((float) juce::jmax (panelArea.getWidth() - 1, 0), (float) juce::jmax (panelArea.getHeight() - 1, 0));
    g.setColour (Palette::panel());
    g.fillRoundedRectangle (panelRect, 7.0f);
    g.setColour (Palette::outline());
    g.drawRoundedRectangle (panelRect, 7.0f, 1.0f);

    paintTabs (g);
    paintRows (g);
    paintScrollbar (g);
    paintConfirmDialog (g);
}

void PresetBrowserPopup::paintTabs (juce::Graphics& g)
{
    const auto font = Fonts::semiBoldFont (12.0f).withExtraKerningFactor (1.4f / 12.0f);
    g.setFont (font);

    for (int tab = 0; tab < 3; ++tab)
    {
        const auto t = getTabBounds (tab);
        const auto selected = tab == currentTab;

        if (selected)
        {
            g.setColour (Palette::accent());
            g.fillRect (t.getX() + 10, t.getBottom() - 2, t.getWidth() - 20, 2);
        }
        else if (tab == hoveredTab)
        {
            g.setColour (juce::Colour (0x0affffffu));
            g.fillRect (t);
        }

        g.setColour (selected ? Palette::panelText() : Palette::textMuted());

        if (tab != favoritesTab)
        {
            g.drawText (tabLabels[tab], t, juce::Justification::centred, true);
            continue;
        }

        // A star before the label, the pair centred in the tab.
        const auto labelWidth = font.getStringWidthFloat (tabLabels[tab]);
        const auto gx = (float) (t.getX() + t.getWidth() / 2) - (labelWidth + 18.0f) / 2.0f;
        const auto starCentreY = (float) (t.getY() + t.getHeight() / 2 - 1);
        drawStar (g, { gx, starCentreY - 5.5f, 11.0f, 11.0f }, selected, false);

        g.setColour (selected ? Palette::panelText() : Palette::textMuted());
        g.setFont (font);
        g.drawText (tabLabels[tab],
                    juce::Rectangle<int> (juce::roundToInt (gx + 18.0f), t.getY(), juce::roundToInt (labelWidth), t.getHeight()),
                    juce::Justification::centredLeft,
                    true);
    }

    g.setColour (Palette::separator().brighter (0.35f));
    g.drawHorizontalLine (tabsArea.getBottom(), (float) (tabsArea.getX() + 6), (float) (tabsArea.getRight() - 6));
}

void PresetBrowserPopup::paintRows (juce::Graphics& g)
{
    const auto visible = getVisibleItems();

    if (visible.empty())
    {
        g.setColour (Palette::textMuted());
        g.setFont (Fonts::regularFont (14.0f));
        g.drawFittedText (tabHints[currentTab],
                          juce::Rectangle<int> (listArea.getX() + 26, listArea.getY() + 10, juce::jmax (listArea.getWidth() - 52, 0), juce::jmax (listArea.getHeight() - 20, 0)),
                          juce::Justification::centred,
                          3,
                          0.0f);
        return;
    }

    const auto count = (int) visible.size();
    const auto first = juce::jmax (0, scrollOffset / rowHeight);
    const auto last = juce::jmin ((scrollOffset + listArea.getHeight()) / rowHeight, count - 1);

    const auto listRight = listArea.getRight();
    const auto starX = listRight - starInsetFromRight;
    const auto nameX = juce::jmin (listArea.getX() + 13, starX - 54);

    const auto nameFont = Fonts::regularFont (15.5f);
    const auto keyFont = Fonts::semiBoldFont (13.5f);

    juce::Graphics::ScopedSaveState saved (g);
    g.reduceClipRegion (listArea);

    for (int index = first; index <= last; ++index)
    {
        const auto& item = *visible[(size_t) index];
        const auto y = rowTop (index);
        const auto isCurrent = item.fileName == currentFileName;
        const auto rowTextColour = isCurrent ? Palette::accent() : Palette::panelText();

        if (isCurrent)
        {
            g.setColour (withAlphaByte (Palette::accent(), 0x29));
            g.fillRect (listArea.getX(), y, listArea.getWidth(), rowHeight);
        }
        else if (index == hoveredRow)
        {
            g.setColour (juce::Colour (0x0bffffffu));
            g.fillRect (listArea.getX(), y, listArea.getWidth(), rowHeight);
        }

        g.setColour (rowTextColour);
        g.setFont (nameFont);
        g.drawText (item.displayName, juce::Rectangle<int> (nameX, y, starX - nameX - 54, rowHeight), juce::Justification::centredLeft, true);

        // The kick's own pitch: TUNE does not move it. The lookup may queue the kick for detection.
        KickPitchResult result;

        if (keyCache != nullptr && keyCache->lookup (item.path, result) && result.valid)
        {
            g.setColour (rowTextColour);
            g.setFont (keyFont);
            g.drawText ((result.approx ? "~" : "") + result.noteName(), getKeyBadgeBounds (index), juce::Justification::centredRight, false);
        }

        drawStar (g, getStarBounds (index).toFloat(), favorites != nullptr && favorites->isFavorite (item.fileName), index == hoveredStar);

        if (currentTab == userTab && item.userAdded && index == hoveredRow)
        {
            const auto ix = (float) (listRight - removeIconInsetFromRight + 4);
            const auto iy = (float) (y + iconTopInRow + 4);
            const auto hot = index == hoveredRemove;
            g.setColour (hot ? Palette::accent() : withAlphaByte (Palette::textMuted(), 0xa6));
            const auto thickness = hot ? 1.8f : 1.4f;
            g.drawLine (ix, iy, ix + 9.0f, iy + 9.0f, thickness);
            g.drawLine (ix + 9.0f, iy, ix, iy + 9.0f, thickness);
        }

        if (index < count - 1)
        {
            g.setColour (withAlphaByte (Palette::separator(), 0x99));
            g.drawHorizontalLine (y + rowHeight, (float) (listArea.getX() + 13), (float) (listRight - 13));
        }
    }
}

void PresetBrowserPopup::paintScrollbar (juce::Graphics& g)
{
    const auto track = getScrollTrackBounds();

    if (track.isEmpty())
        return;

    const auto corner = (float) track.getWidth() / 2.0f;
    g.setColour (Palette::separator().brighter (0.25f));
    g.fillRoundedRectangle (track.toFloat(), corner);

    const auto opacity = scrollbarDragging ? 1.0f : scrollbarHovered ? 0.8f
                                                                     : 0.55f;
    g.setColour (Palette::textMuted().withAlpha (opacity));
    g.fillRoundedRectangle (getScrollThumbBounds().toFloat(), corner);
}

void PresetBrowserPopup::paintConfirmDialog (juce::Graphics& g)
{
    const auto dialog = getDialogBounds();

    if (dialog.isEmpty())
        return;

    g.setColour (juce::Colour (0x8c000000u));
    g.fillRect (panelArea);

    g.setColour (Palette::panel().brighter (0.1f));
    g.fillRoundedRectangle (dialog.toFloat(), 8.0f);
    g.setColour (withAlphaByte (Palette::accent(), 0xbf));
    g.drawRoundedRectangle (dialog.toFloat(), 8.0f, 1.3f);

    // The text column above the buttons, which keep 46 px of the inner height.
    const auto x = dialog.getX() + 16;
    const auto width = juce::jmax (dialog.getWidth() - 32, 0);
    auto top = dialog.getY() + 16;
    const auto inner = juce::jmax (dialog.getHeight() - 32, 0);
    auto room = inner - juce::jmin (inner, 46);

    const auto font = Fonts::semiBoldFont (15.5f);
    g.setFont (font);

    const auto questionHeight = juce::jmin (room, 38);
    g.setColour (Palette::panelText());
    g.drawFittedText (removalQuestion, juce::Rectangle<int> (x, top, width, questionHeight), juce::Justification::centredTop, 2, 0.0f);
    top += questionHeight;
    room -= questionHeight;

    const auto gap = juce::jmin (room, 4);
    top += gap;
    room -= gap;

    g.setColour (Palette::accent());
    g.drawText (pendingRemovalName, juce::Rectangle<int> (x, top, width, juce::jmin (room, 20)), juce::Justification::centred, true);

    paintDialogButton (g, getCancelButtonBounds(), "CANCEL", false, hoveredDialogButton == 0);
    paintDialogButton (g, getRemoveButtonBounds(), "REMOVE", true, hoveredDialogButton == 1);
}

void PresetBrowserPopup::paintDialogButton (juce::Graphics& g, juce::Rectangle<int> area, const juce::String& label, bool isRemove, bool hovered)
{
    if (isRemove)
        g.setColour (hovered ? Palette::accent() : withAlphaByte (Palette::accent(), 0xd9));
    else
        g.setColour (hovered ? Palette::outline().brighter (0.25f) : Palette::outline());

    g.fillRoundedRectangle (area.toFloat(), 6.0f);

    g.setColour (isRemove ? Palette::onAccent() : Palette::panelText());
    g.setFont (Fonts::semiBoldFont (13.0f).withExtraKerningFactor (0.08f));
    g.drawText (label, area, juce::Justification::centred, true);
}

void PresetBrowserPopup::drawStar (juce::Graphics& g, juce::Rectangle<float> area, bool filled, bool hovered)
{
    const auto centre = area.getCentre();
    const auto outerRadius = 0.48f * area.getWidth();
    const auto innerRadius = 0.42f * outerRadius;

    juce::Path star;

    for (int k = 0; k < 10; ++k)
    {
        const auto angle = (float) k * juce::MathConstants<float>::pi / 5.0f - juce::MathConstants<float>::halfPi;
        const auto radius = k % 2 == 0 ? outerRadius : innerRadius;
        const juce::Point<float> point { centre.x + std::cos (angle) * radius, centre.y + std::sin (angle) * radius };

        if (k == 0)
            star.startNewSubPath (point);
        else
            star.lineTo (point);
    }

    star.closeSubPath();

    if (filled)
    {
        g.setColour (Palette::accent());
        g.fillPath (star);
        return;
    }

    // Hovering changes only the outline.
    g.setColour (hovered ? Palette::textMuted().brighter (0.5f) : withAlphaByte (Palette::textMuted(), 0xa6));
    g.strokePath (star, juce::PathStrokeType (1.3f, juce::PathStrokeType::mitered, juce::PathStrokeType::butt));
}
} // namespace vyl
