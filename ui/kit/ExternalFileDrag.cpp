// JUCE's X11 declarations (its display, atoms and Xlib entry points; JUCE reads this only
// on Linux and BSD), which the drag-out needs to mend what JUCE's X11 drag source tells its
// peers and hears from them.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include "ui/kit/ExternalFileDrag.h"

#if JUCE_LINUX || JUCE_BSD
#include <atomic>
#include <utility>
#include <vector>

struct _xEvent; // Xlib's wire form of an event (X11/Xproto.h), handled here by pointer only
#endif

namespace vyl
{
#if JUCE_LINUX || JUCE_BSD
namespace
{
    /* JUCE's X11 drag source drops only when the target answers "copy" (or "private") and
       sends a leave otherwise. Yet every JUCE window lists move, copy, link and ask in its
       XdndActionList, so a file manager that reads the list proposes "move" for a folder on
       the same file system as the temporary folder, and the kick is silently lost. For the
       time of the drag-out the window lists "copy" alone, and a target that answers "move"
       all the same is taken at its word that it accepts the file: the answer reaches JUCE as
       "copy", so it drops. Moving the file away is harmless: it was written for this drag.
       Message thread only, apart from the status filter (see below). */

    using WireToEvent = Bool (*) (::Display*, XEvent*, _xEvent*);
    using SetWireToEvent = WireToEvent (*) (::Display*, int, WireToEvent);

    // The window of the drag-out in progress, 0 when none. Written on the message thread,
    // read by the status filter while Xlib converts incoming events.
    std::atomic<::Window> dragOutWindow { 0 };

    // The status filter: Xlib's conversion of ClientMessage events on JUCE's display,
    // wrapped while a drag-out runs. Written on the message thread under the display lock.
    struct StatusFilter
    {
        ::Display* display = nullptr;
        WireToEvent previous = nullptr;
        Atom status = 0, move = 0, copy = 0;
    };

    StatusFilter statusFilter;

    // Xlib calls this, with its display lock held, for every ClientMessage it reads from
    // JUCE's connection, before JUCE sees the event; it may not call Xlib itself.
    Bool convertClientMessage (::Display* display, XEvent* event, _xEvent* wire)
    {
        if (statusFilter.previous == nullptr || ! statusFilter.previous (display, event, wire))
            return False;

        const auto window = dragOutWindow.load();
        auto& message = event->xclient;

        if (window != 0 && display == statusFilter.display && message.type == ClientMessage && message.format == 32
            && message.message_type == statusFilter.status && message.window == window
            && (message.data.l[1] & 1) != 0 && (Atom) message.data.l[4] == statusFilter.move)
        {
            message.data.l[4] = (long) statusFilter.copy;
        }

        return True;
    }

    SetWireToEvent findSetWireToEvent()
    {
        // JUCE itself opens Xlib by this name, so this finds the library already loaded.
        static juce::DynamicLibrary xlib ("libX11.so.6");
        static const auto function = reinterpret_cast<SetWireToEvent> (xlib.getFunction ("XESetWireToEvent"));
        return function;
    }

    void installStatusFilter (::Display* display, const juce::XWindowSystemUtilities::Atoms& atoms)
    {
        const auto setWireToEvent = findSetWireToEvent();

        if (setWireToEvent == nullptr)
            return;

        const auto move = juce::XWindowSystemUtilities::Atoms::getCreating (display, "XdndActionMove");

        juce::XWindowSystemUtilities::ScopedXLock xLock;
        const auto previous = setWireToEvent (display, ClientMessage, convertClientMessage);

        if (previous != convertClientMessage)
            statusFilter.previous = previous;

        statusFilter.display = display;
        statusFilter.status = atoms.XdndStatus;
        statusFilter.copy = atoms.XdndActionCopy;
        statusFilter.move = move;
    }

    void removeStatusFilter (::Display* display)
    {
        const auto setWireToEvent = findSetWireToEvent();

        if (setWireToEvent == nullptr || display == nullptr || display != statusFilter.display)
            return;

        juce::XWindowSystemUtilities::ScopedXLock xLock;
        const auto current = setWireToEvent (display, ClientMessage, statusFilter.previous);

        if (current != convertClientMessage)
            setWireToEvent (display, ClientMessage, current); // someone else's now: leave it
        else
            statusFilter = {};
    }

    bool isWindowOfAPeer (::Window window)
    {
        for (int i = juce::ComponentPeer::getNumPeers(); --i >= 0;)
            if (auto* peer = juce::ComponentPeer::getPeer (i); peer != nullptr && (::Window) peer->getNativeHandle() == window)
                return true;

        return false;
    }

    // The window's XdndActionList from before the drag-out, to be put back after it.
    struct SavedActionList
    {
        ::Window window = 0;
        bool existed = false;
        std::vector<unsigned long> actions;
    };

    SavedActionList savedActionList;

    // Ends what beginCopyOnlyDragOut set up: the window's own action list and Xlib's own
    // conversion of ClientMessage events come back.
    void endCopyOnlyDragOut()
    {
        const auto saved = std::exchange (savedActionList, {});
        dragOutWindow = 0;

        auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();

        if (windowSystem == nullptr || windowSystem->getDisplay() == nullptr)
            return;

        auto* display = windowSystem->getDisplay();
        removeStatusFilter (display);

        if (saved.window == 0 || ! isWindowOfAPeer (saved.window))
            return;

        const auto& atoms = windowSystem->getAtoms();
        auto* x = juce::X11Symbols::getInstance();
        juce::XWindowSystemUtilities::ScopedXLock xLock;

        if (saved.existed)
            x->xChangeProperty (display, saved.window, atoms.XdndActionList, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*> (saved.actions.data()), (int) saved.actions.size());
        else
            x->xDeleteProperty (display, saved.window, atoms.XdndActionList);

        x->xFlush (display);
    }

    // Before JUCE's drag from window starts: the window lists "copy" alone (peers read the
    // list when the drag enters them) and a "move" answer is heard as "copy".
    void beginCopyOnlyDragOut (::Window window)
    {
        if (savedActionList.window != 0 && savedActionList.window != window)
            endCopyOnlyDragOut(); // an earlier drag-out whose end JUCE never reported

        auto* windowSystem = juce::XWindowSystem::getInstance();
        auto* display = windowSystem->getDisplay();
        const auto& atoms = windowSystem->getAtoms();
        auto* x = juce::X11Symbols::getInstance();

        installStatusFilter (display, atoms);

        juce::XWindowSystemUtilities::ScopedXLock xLock;

        if (savedActionList.window != window)
        {
            savedActionList = { window, false, {} };
            const juce::XWindowSystemUtilities::GetXProperty list (display, window, atoms.XdndActionList, 0, 64, false, XA_ATOM);

            if (list.success && list.actualType == XA_ATOM && list.actualFormat == 32)
            {
                // Xlib hands items of format 32 back as longs.
                const auto* items = reinterpret_cast<const unsigned long*> (list.data);
                savedActionList.existed = true;
                savedActionList.actions.assign (items, items + list.numItems);
            }
        }

        const unsigned long copyOnly[] = { atoms.XdndActionCopy };
        x->xChangeProperty (display, window, atoms.XdndActionList, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*> (copyOnly), 1);
        x->xFlush (display);
        dragOutWindow = window;
    }

    // The peer JUCE will drag from: the source's, or that of the component under the pressed
    // mouse when there is no source (JUCE's own rule).
    juce::ComponentPeer* dragSourcePeer (juce::Component* source)
    {
        if (source == nullptr)
            if (auto* mouse = juce::Desktop::getInstance().getDraggingMouseSource (0))
                source = mouse->getComponentUnderMouse();

        return source != nullptr ? source->getPeer() : nullptr;
    }
} // namespace
#endif

juce::String dragFileUrl (const juce::String& path)
{
    return juce::URL (juce::File (path)).toString (false);
}

juce::String fileDragOffer (const juce::String& path)
{
    // JUCE's X11 drag puts "file://" before a plain path as it stands; the drag-out path
    // always holds spaces and may hold "%" or letters beyond ASCII, so it gets the URL,
    // which JUCE passes on unchanged.
#if JUCE_LINUX || JUCE_BSD
    return dragFileUrl (path);
#else
    return path;
#endif
}

bool startExternalFileDragFrom (const juce::String& path, juce::Component* source)
{
    const juce::StringArray files (fileDragOffer (path));

#if JUCE_LINUX || JUCE_BSD
    auto* peer = dragSourcePeer (source);

    if (peer == nullptr || juce::XWindowSystem::getInstance()->getDisplay() == nullptr)
        return juce::DragAndDropContainer::performExternalDragDropOfFiles (files, false, source);

    beginCopyOnlyDragOut ((::Window) peer->getNativeHandle());

    // JUCE calls back when the drag has ended: dropped and finished, refused, or taken over.
    const auto started = juce::DragAndDropContainer::performExternalDragDropOfFiles (files, false, source, []
                                                                                     { endCopyOnlyDragOut(); });

    if (! started)
        endCopyOnlyDragOut();

    return started;
#else
    return juce::DragAndDropContainer::performExternalDragDropOfFiles (files, false, source);
#endif
}

bool startExternalFileDrag (const juce::String& path)
{
    return startExternalFileDragFrom (path, nullptr);
}

std::function<void()> makeDragOutHandler (std::function<juce::String()> exportFile, FileDragStarter startDrag)
{
    return [exportFile = std::move (exportFile), startDrag = std::move (startDrag)]
    {
        if (! exportFile || ! startDrag)
            return;

        const auto path = exportFile();

        if (path.isEmpty() || ! juce::File::isAbsolutePath (path) || ! juce::File (path).existsAsFile())
            return;

        startDrag (path);
    };
}
} // namespace vyl
