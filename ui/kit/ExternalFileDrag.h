#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace vyl
{
/** Hands one existing file to the desktop as a drag-and-drop that copies it (never
    moves it) into whatever program the user drops it on. Returns whether a drag started. */
using FileDragStarter = std::function<bool (const juce::String& path)>;

/** The real starter: JUCE's external drag of files (XDND on Linux, which needs a window
    of the program under the mouse; elsewhere the platform's own drag), from the window of
    the component under the pressed mouse. See startExternalFileDragFrom. */
bool startExternalFileDrag (const juce::String& path);

/** JUCE's external drag of one file from source's window (from the window under the
    pressed mouse when source is null). On Linux it hands JUCE the file's URL (dragFileUrl),
    since JUCE would offer "file://" and the raw path; and as JUCE's X11 drag drops only on
    a "copy" answer, the window lists "copy" as its only XdndActionList action while the
    drag lasts (its own list comes back when JUCE reports the drag's end), and a target
    that answers "move" regardless gets the drop: it may move the file, which was written
    for this drag. Message thread only, from a mouse-down or mouse-drag. */
bool startExternalFileDragFrom (const juce::String& path, juce::Component* source);

/** The file's "file://" URL with every byte that may not stand in a URI percent-encoded
    (spaces, "%", letters beyond ASCII), as receivers of a uri-list expect it. */
juce::String dragFileUrl (const juce::String& path);

/** What startExternalFileDrag hands JUCE for the file: its URL on Linux, where JUCE would
    put "file://" before the raw path, and the path itself elsewhere. */
juce::String fileDragOffer (const juce::String& path);

/** The kick pad's drag-out handler: asks exportFile for a freshly written file and, when
    that is an existing file (not a folder), starts its drag with startDrag. An empty path
    or a missing file starts nothing. Both steps are seams, so tests can stub them.
    Message thread only. */
std::function<void()> makeDragOutHandler (std::function<juce::String()> exportFile,
                                          FileDragStarter startDrag = startExternalFileDrag);
} // namespace vyl
