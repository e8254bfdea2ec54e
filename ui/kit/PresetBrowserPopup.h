#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <optional>
#include <vector>

class FavoritesStore;

namespace vyl
{
class KeyCache;

/** The kick browser: an overlay over the whole canvas that lists the kick library in three
    tabs (ALL KICKS, FAVORITES, USER), marks the loaded kick, shows each kick's detected key,
    stars kicks, reports the chosen one, asks before a user kick is removed and offers the
    add-kicks button on the USER tab.

    The editor content owns it as a hidden child, gives it the list of kicks and the current
    kick, wires the four callbacks and opens and closes it from the kick name. The browser
    itself never loads, imports or deletes anything: it reads the favourites and the key
    cache, toggles favourites and reports choices through its callbacks.

    Its layout is fixed canvas coordinates, whatever its own size. Message thread only.
*/
class PresetBrowserPopup : public juce::Component,
                           public juce::TooltipClient
{
public:
    /** One kick of the list, as the kick selector builds it. */
    struct Item
    {
        juce::File path; // the kick file
        juce::String displayName; // shown in the row and in the removal dialog
        juce::String fileName; // with extension, without folder: the key of the current mark and of favourites
        bool userAdded = false; // lies in the user kick folder: removable, listed under USER
    };

    enum Tab
    {
        allKicksTab = 0,
        favoritesTab = 1,
        userTab = 2
    };

    /** Neither pointer is owned; both outlive the browser (the processor's members). */
    PresetBrowserPopup (FavoritesStore* favorites, KeyCache* keyCache);
    ~PresetBrowserPopup() override;

    //==============================================================================
    /** Takes the items over, clamps the scroll and repaints when visible. */
    void setItems (std::vector<Item> newItems);

    /** Remembers the loaded kick's file name for the current-kick mark. */
    void setCurrentKick (const juce::File& file);

    /** Reloads the favourites, covers the parent, shows itself in front with keyboard focus. */
    void show();

    /** Cancels the removal dialog and hides the browser. */
    void close();

    /** Switches to the USER tab (scrolled to the top), also while hidden; no onListChanged. */
    void showUserTab();

    /** While visible, scrolls so that the current kick's row is fully shown (the row at its
        path; the first row of its file name when its path is not on the tab). */
    void scrollToCurrent();

    /** The kick before (-1) or after (+1) current among the shown tab's kicks, wrapping
        round. current is found by its path, else by the first kick of its file name; when
        it is not on the tab, the tab's first (+1) or last (-1) kick; an empty file when the
        tab is empty. */
    juce::File getNeighbourKick (const juce::File& current, int direction) const;

    /** The shown tab's items in list order, computed afresh at every call. */
    std::vector<const Item*> getVisibleItems() const;

    /** The removal dialog is open. */
    bool hasPendingRemoval() const noexcept { return pendingRemovalPath != juce::File(); }

    /** Gives the add button the colours of the current scheme; called again on a theme switch. */
    void applyColours();

    /** The five-pointed favourite star, filled or outlined (with the hover look), inside area. */
    static void drawStar (juce::Graphics& g, juce::Rectangle<float> area, bool filled, bool hovered);

    //==============================================================================
    int getCurrentTab() const noexcept { return currentTab; }
    int getScrollOffset() const noexcept { return scrollOffset; }
    juce::Rectangle<int> getPanelArea() const noexcept { return panelArea; }
    juce::Rectangle<int> getTabsArea() const noexcept { return tabsArea; }
    juce::Rectangle<int> getListArea() const noexcept { return listArea; }
    juce::TextButton& getAddKicksButton() noexcept { return addKicksButton; }

    /** Geometry in canvas pixels. Row arguments are indices into the shown tab's list; the
        row's top is list y + row * rowHeight - scroll offset. */
    juce::Rectangle<int> getTabBounds (int tab) const;
    juce::Rectangle<int> getStarBounds (int row) const;
    juce::Rectangle<int> getKeyBadgeBounds (int row) const;
    juce::Rectangle<int> getRemoveIconBounds (int row) const; // empty off the USER tab
    juce::Rectangle<int> getDialogBounds() const; // empty without a pending removal
    juce::Rectangle<int> getCancelButtonBounds() const;
    juce::Rectangle<int> getRemoveButtonBounds() const;
    juce::Rectangle<int> getScrollbarHitBounds() const; // the scrollbar strip; empty when not scrollable
    juce::Rectangle<int> getScrollTrackBounds() const;
    juce::Rectangle<int> getScrollThumbBounds() const;
    int getContentHeight() const;
    bool isScrollable() const;

    /** The shown tab's row under a point, or -1. */
    int getRowAt (juce::Point<int> position) const;

    /** The tooltip for a mouse position relative to the browser (getTooltip asks with the
        mouse's current position). */
    juce::String getTooltipAt (juce::Point<int> position) const;

    /** Replaces the millisecond counter the removal dialog's arming delay is measured with
        (juce::Time::getMillisecondCounter by default; tests pin it). */
    void setMillisecondClock (std::function<juce::uint32()> clock);

    static constexpr int rowHeight = 30;
    static constexpr juce::uint32 dialogArmingMs = 450; // clicks sooner after the dialog opens are ignored

    //==============================================================================
    void mouseMove (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void mouseDoubleClick (const juce::MouseEvent&) override;
    void mouseWheelMove (const juce::MouseEvent&, const juce::MouseWheelDetails&) override;
    void paint (juce::Graphics&) override;
    bool keyPressed (const juce::KeyPress&) override;
    void resized() override;
    juce::String getTooltip() override;

    //==============================================================================
    std::function<void (const juce::File&)> onKickChosen; // a row was clicked (not its star or remove icon)
    std::function<void()> onListChanged; // the tab changed, or a favourite was toggled here
    std::function<void()> onAddKicks; // "+  ADD KICKS" was clicked
    std::function<void (const juce::File&)> onRemoveConfirmed; // REMOVE was pressed in the dialog

private:
    FavoritesStore* favorites = nullptr;
    KeyCache* keyCache = nullptr;

    std::vector<Item> items;
    int currentTab = allKicksTab;
    juce::TextButton addKicksButton { "+  ADD KICKS" };
    juce::String currentFileName; // marks the current rows: every kick of this file name
    juce::File currentFile; // the loaded kick itself, for stepping and scrolling

    int scrollOffset = 0; // pixels of list content scrolled above the list's top edge
    bool scrollbarDragging = false;
    int scrollDragOffset = 0; // mouse y minus thumb top when the drag began
    bool scrollbarHovered = false;

    juce::Rectangle<int> panelArea, tabsArea, listArea, addButtonArea;

    int hoveredRow = -1, hoveredStar = -1, hoveredRemove = -1, hoveredTab = -1;

    juce::File pendingRemovalPath; // empty: no removal dialog
    juce::String pendingRemovalName;
    int hoveredDialogButton = -1; // 0 CANCEL, 1 REMOVE
    juce::uint32 dialogOpenedMs = 0; // millisecond counter when the dialog last opened or closed

    std::function<juce::uint32()> millisecondClock;

    // Where the mouse was at its last event over the browser; none once it has left.
    std::optional<juce::Point<int>> lastMousePosition;

    void updateLayout();

    /** The index among visible of the item at kick's path, else of the first item of its
        file name, else -1. */
    static int findKick (const std::vector<const Item*>& visible, const juce::File& kick);

    void clampScroll();
    void dragScrollTo (int mouseY);
    void setPendingRemoval (const juce::File& file, const juce::String& name);

    /** The hovered row, star, remove icon, tab and scrollbar for a mouse position; repaints
        when any changed. */
    void updateHover (juce::Point<int> position);
    void clearHover();
    bool isDialogArmed() const;
    int rowTop (int row) const noexcept { return listArea.getY() + row * rowHeight - scrollOffset; }

    void paintTabs (juce::Graphics&);
    void paintRows (juce::Graphics&);
    void paintScrollbar (juce::Graphics&);
    void paintConfirmDialog (juce::Graphics&);
    static void paintDialogButton (juce::Graphics&, juce::Rectangle<int> area, const juce::String& label, bool isRemove, bool hovered);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PresetBrowserPopup)
};
} // namespace vyl
