#pragma once

#include <juce_core/juce_core.h>

/** The editor scales offered: `scale` itself when it is (approximately) 0.75 or 1.0,
    otherwise 1.0. Guards against hand-edited settings and states. */
float snapUiScale (float scale);

/** The kick file a stored path names, when it can be loaded from: the path must be
    absolute and name an existing file (not a folder).

    Stored paths come from saved states and undo snapshots, which a user may have edited by
    hand; an empty, relative or vanished path gives juce::File() so it never reaches the
    loader (juce::File would resolve a relative text against the working folder).
*/
juce::File existingKickFileForStoredPath (const juce::String& storedPath);
