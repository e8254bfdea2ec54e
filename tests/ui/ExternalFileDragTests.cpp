#include "ui/kit/ExternalFileDrag.h"

#include "UiTestHelpers.h"
#include "support/MessageLoop.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#if JUCE_LINUX

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{
/** A drop target on the tests' X server, on a connection of its own, speaking XDND the way
    a file manager's folder window does: it reads the source's XdndActionList when the drag
    enters, answers every position with one action (or refuses), and records the messages
    the source sends it. */
class XdndTestTarget
{
public:
    XdndTestTarget()
        : display (XOpenDisplay (nullptr))
    {
        if (display == nullptr)
            return;

        root = DefaultRootWindow (display);
        XWindowAttributes rootAttributes {};
        XGetWindowAttributes (display, root, &rootAttributes);

        // Bottom right, away from where the other test programs on this server put windows.
        const int width = 200, height = 150;
        centre = { rootAttributes.width - width / 2 - 20, rootAttributes.height - height / 2 - 20 };
        XSetWindowAttributes attributes {};
        attributes.override_redirect = True;
        window = XCreateWindow (display, root, centre.x - width / 2, centre.y - height / 2, width, height, 0, CopyFromParent, InputOutput, nullptr, CWOverrideRedirect, &attributes);

        const long version = 5;
        XChangeProperty (display, window, atom ("XdndAware"), XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*> (&version), 1);
        XMapRaised (display, window);
        XSync (display, False);
    }

    ~XdndTestTarget()
    {
        if (display == nullptr)
            return;

        XDestroyWindow (display, window);
        XCloseDisplay (display);
    }

    bool isOpen() const { return display != nullptr; }

    Atom atom (const char* name) { return XInternAtom (display, name, False); }

    /** The actions listed in w's XdndActionList (empty when it has none). */
    std::vector<Atom> actionList (Window w)
    {
        std::vector<Atom> actions;
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, left = 0;
        unsigned char* data = nullptr;

        if (XGetWindowProperty (display, w, atom ("XdndActionList"), 0, 64, False, XA_ATOM, &type, &format, &count, &left, &data) == Success && data != nullptr)
        {
            if (type == XA_ATOM && format == 32)
                actions.assign (reinterpret_cast<const Atom*> (data), reinterpret_cast<const Atom*> (data) + count);

            XFree (data);
        }

        return actions;
    }

    /** Whether w is mapped and viewable, as a pointer grab on it needs. */
    bool isViewable (Window w)
    {
        XWindowAttributes attributes {};
        return XGetWindowAttributes (display, w, &attributes) != 0 && attributes.map_state == IsViewable;
    }

    /** Handles every event that has arrived: enter, position (answered at once), drop, leave. */
    void handleEvents()
    {
        while (XPending (display) > 0)
        {
            XEvent event {};
            XNextEvent (display, &event);

            if (event.type != ClientMessage || event.xclient.window != window)
                continue;

            const auto& message = event.xclient;
            char* name = XGetAtomName (display, message.message_type);
            received.emplace_back (name != nullptr ? name : "");
            XFree (name);

            if (message.message_type == atom ("XdndEnter"))
            {
                source = (Window) message.data.l[0];
                actionsOnEnter = actionList (source);
            }
            else if (message.message_type == atom ("XdndPosition"))
            {
                send (atom ("XdndStatus"), answer != 0 ? (1 | 2) : 2, 0, 0, (long) answer);
            }
        }
    }

    bool hasReceived (const char* name) const { return std::find (received.begin(), received.end(), name) != received.end(); }

    /** Sends window a move with the first button held (MotionNotify) or that button's
        release (ButtonRelease), as the X server would; at is in the window's coordinates. */
    void sendPointerEvent (Window w, int type, juce::Point<int> at, juce::Point<int> windowOrigin)
    {
        XEvent event {};
        event.xbutton.type = type;
        event.xbutton.window = w;
        event.xbutton.root = root;
        event.xbutton.time = CurrentTime;
        event.xbutton.x = at.x;
        event.xbutton.y = at.y;
        event.xbutton.x_root = windowOrigin.x + at.x;
        event.xbutton.y_root = windowOrigin.y + at.y;
        event.xbutton.same_screen = True;
        event.xbutton.state = Button1Mask;
        event.xbutton.button = Button1;

        if (type == MotionNotify)
            event.xmotion.is_hint = NotifyNormal;

        const long mask = type == ButtonRelease ? ButtonReleaseMask : PointerMotionMask;
        XSendEvent (display, w, False, mask, &event);
        XSync (display, False);
    }

    /** Tells the source that the dropped data has been taken. */
    void finishDrop() { send (atom ("XdndFinished"), 1, (long) answer, 0, 0); }

    void warpPointer (juce::Point<int> position)
    {
        XWarpPointer (display, None, root, 0, 0, 0, 0, position.x, position.y);
        XSync (display, False);
    }

    juce::Point<int> pointer()
    {
        Window rootReturn = 0, child = 0;
        int x = 0, y = 0, winX = 0, winY = 0;
        unsigned int mask = 0;
        XQueryPointer (display, root, &rootReturn, &child, &x, &y, &winX, &winY, &mask);
        return { x, y };
    }

    Display* display = nullptr;
    Window root = 0, window = 0, source = 0;
    juce::Point<int> centre;
    Atom answer = 0; // the action every status answers with; 0 refuses the drop
    std::vector<Atom> actionsOnEnter;
    std::vector<std::string> received;

private:
    void send (Atom type, long l1, long l2, long l3, long l4)
    {
        XEvent event {};
        event.xclient.type = ClientMessage;
        event.xclient.window = source;
        event.xclient.message_type = type;
        event.xclient.format = 32;
        event.xclient.data.l[0] = (long) window;
        event.xclient.data.l[1] = l1;
        event.xclient.data.l[2] = l2;
        event.xclient.data.l[3] = l3;
        event.xclient.data.l[4] = l4;
        XSendEvent (display, source, False, NoEventMask, &event);
        XSync (display, False);
    }
};

/** Runs the test's message loop and the target's events until done() holds. */
template <typename Predicate>
bool runUntil (XdndTestTarget& target, Predicate done, int timeoutMs = 5000)
{
    return zobtest::runMessagesUntil ([&]
                                      { target.handleEvents(); return done(); },
                                      timeoutMs);
}
} // namespace

TEST (ExternalFileDrag, OffersCopyOnlyAndDropsWhenTheTargetAnswersCopyOrMove)
{
    // JUCE's X11 drag source drops only on a "copy" answer, yet its windows list move, copy,
    // link and ask; a file manager that reads the list answers "move" within one file system
    // and nothing arrives. For the drag the window lists copy alone, a target answering
    // "move" regardless still gets the drop, and the window's own list comes back after.
    zobtest::ScopedTempHome home;
    const auto file = home.temp().getChildFile ("Deep Kick (ZOB).wav");
    ASSERT_TRUE (file.replaceWithText ("RIFF"));

    zobtest::ignoreXErrors();
    XdndTestTarget target;
    ASSERT_TRUE (target.isOpen()) << "no X display";
    const auto pointerBefore = target.pointer();

    juce::Component source;
    const juce::Point<int> sourceOrigin (40, 40);
    source.setBounds ({ sourceOrigin.x, sourceOrigin.y, 120, 120 });
    source.addToDesktop (0);
    source.setVisible (true);
    const auto sourceWindow = (Window) source.getPeer()->getNativeHandle();
    ASSERT_TRUE (runUntil (target, [&]
                           { return target.isViewable (sourceWindow) && target.isViewable (target.window); }));
    const auto ownActions = target.actionList (sourceWindow);
    ASSERT_GT (ownActions.size(), 1u);

    const auto settle = [&target]
    { runUntil (
          target, []
          { return false; },
          250); };

    struct Case
    {
        const char* answer; // nullptr: the target refuses the drop
        bool dropped;
    };

    for (const auto& c : { Case { "XdndActionCopy", true }, Case { "XdndActionMove", true }, Case { nullptr, false } })
    {
        SCOPED_TRACE (c.answer != nullptr ? c.answer : "refused");
        target.answer = c.answer != nullptr ? target.atom (c.answer) : 0;
        target.received.clear();
        target.actionsOnEnter.clear();

        // JUCE looks for the target under the pointer as the drag starts and at every move.
        // Started from a press's handler, its first messages leave when the event loop next
        // reads the connection; the first move has it do that here.
        target.warpPointer (target.centre);
        ASSERT_TRUE (vyl::startExternalFileDragFrom (file.getFullPathName(), &source));
        target.sendPointerEvent (sourceWindow, MotionNotify, { 80, 60 }, sourceOrigin);
        ASSERT_TRUE (runUntil (target, [&]
                               { return target.hasReceived ("XdndPosition"); }));
        EXPECT_EQ (target.source, sourceWindow);
        EXPECT_EQ (target.actionsOnEnter, std::vector<Atom> { target.atom ("XdndActionCopy") });

        // JUCE's window also answers the drag's first steps itself; a further move brings a
        // position that only the target answers, and that answer decides the drop.
        settle();
        const auto positions = std::count (target.received.begin(), target.received.end(), "XdndPosition");
        target.sendPointerEvent (sourceWindow, MotionNotify, { 90, 60 }, sourceOrigin);
        ASSERT_TRUE (runUntil (target, [&]
                               { return std::count (target.received.begin(), target.received.end(), "XdndPosition") > positions; }));
        settle();

        target.sendPointerEvent (sourceWindow, ButtonRelease, { 90, 60 }, sourceOrigin);
        ASSERT_TRUE (runUntil (target, [&]
                               { return target.hasReceived ("XdndDrop") || target.hasReceived ("XdndLeave"); }));
        EXPECT_EQ (target.hasReceived ("XdndDrop"), c.dropped);
        EXPECT_EQ (target.hasReceived ("XdndLeave"), ! c.dropped);

        if (c.dropped)
            target.finishDrop();

        EXPECT_TRUE (runUntil (target, [&]
                               { return target.actionList (sourceWindow) == ownActions; }));
    }

    target.warpPointer (pointerBefore);
}

#endif
