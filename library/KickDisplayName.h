#pragma once

#include <juce_core/juce_core.h>

/** Turns a library kick's file name (with extension, without folder) into the short
    upper-case label the kick selector shows and the drag-out file is named after:
    "PREFIX - NAME NN", where the prefix and the two-digit number are optional.

    Library files are named like "VYL_Kick_Deep_05.wav" or "Garage - Kick 7.wav": a maker's
    tag, a category, a few words and a running number. A pure function; any thread.
*/
juce::String makeKickDisplayName (const juce::String& fileName);
