#include "ui/kit/WindowFocus.h"

namespace vyl
{
WindowFocusFollower::WindowFocusFollower (juce::Component& ownerToServe, std::function<void()> takeFocusToUse)
    : owner (ownerToServe)
    , takeFocus (std::move (takeFocusToUse))
{
    juce::Desktop::getInstance().addFocusChangeListener (this);
    owner.addComponentListener (this);
}

WindowFocusFollower::~WindowFocusFollower()
{
    owner.removeComponentListener (this);
    juce::Desktop::getInstance().removeFocusChangeListener (this);
}

void WindowFocusFollower::followWindowFocus()
{
    if (takeFocus == nullptr || ! owner.isShowing())
        return;

    // Grabbing the focus in a window that is not the focused one would ask the desktop to
    // activate it, taking the focus from whatever program has it.
    auto* peer = owner.getPeer();

    if (peer == nullptr || ! peer->isFocused())
        return;

    auto* focused = juce::Component::getCurrentlyFocusedComponent();

    if (focused != nullptr && focused->isParentOf (&owner))
        takeFocus();
}

// JUCE calls this asynchronously after the focus moved, the window's own activation among
// such moves.
void WindowFocusFollower::globalFocusChanged (juce::Component*) { followWindowFocus(); }

void WindowFocusFollower::componentParentHierarchyChanged (juce::Component&)
{
    if (auto* window = owner.getTopLevelComponent(); window != &owner)
    {
        for (auto* child : window->getChildren())
        {
            if (dynamic_cast<juce::Button*> (child) != nullptr && ! child->isParentOf (&owner))
            {
                child->setWantsKeyboardFocus (false);
                child->setMouseClickGrabsKeyboardFocus (false);
            }
        }
    }

    // Put into a window that has the focus already (the standalone app builds a new editor in
    // its window when its state is reset).
    followWindowFocus();
}

void WindowFocusFollower::componentVisibilityChanged (juce::Component&) { followWindowFocus(); }
} // namespace vyl
