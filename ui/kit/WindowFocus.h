#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace vyl
{
/** Hands a component the keyboard focus of its window. When a window is shown or brought
    to the front, JUCE gives the focus to the window itself (a top-level window wants it),
    and a canvas inside would hear no key until it is clicked; whenever the focus lies on
    one of the component's parents, the component takes it.

    It never takes the focus from another program: it acts only while the component's window
    is the focused one, so it asks the desktop for nothing. A focus inside the component,
    or anywhere else in the program, stays where it is.

    The buttons that the window holds beside the component (the standalone app's "Options"
    button in its title bar) are set to take no keyboard focus, as JUCE's own title-bar
    buttons take none: a click on one, and the menu it opens, which gives the focus back to
    whatever had it, would otherwise leave the keys with that button.

    A member of the component it serves, declared last so that it goes first. Message
    thread only.
*/
class WindowFocusFollower : private juce::FocusChangeListener,
                            private juce::ComponentListener
{
public:
    /** takeFocus grabs the focus for the part of owner that takes the keys at the moment. */
    WindowFocusFollower (juce::Component& owner, std::function<void()> takeFocus);
    ~WindowFocusFollower() override;

    /** Calls takeFocus when the focus lies on one of the owner's parents in a focused window. */
    void followWindowFocus();

private:
    void globalFocusChanged (juce::Component* focusedComponent) override;
    void componentParentHierarchyChanged (juce::Component&) override;
    void componentVisibilityChanged (juce::Component&) override;

    juce::Component& owner;
    std::function<void()> takeFocus;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (WindowFocusFollower)
};
} // namespace vyl
