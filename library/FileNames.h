#pragma once

#include <juce_core/juce_core.h>

/** Joining a folder and the name of a file in it.

    JUCE's File::getChildFile reads its argument as a relative path: on Linux and macOS a
    name that begins with "~" is taken as a path from the home folder (or from another
    user's), and "." and ".." steps are resolved. A kick may well be called "~Deep.wav", so
    every place that has a folder and a file name (listing, import, drag-out files) builds
    the path here instead: each legal file name stays a plain child of its folder.
*/

/** True for a name that can only mean one entry of a folder: not empty, not "." or "..",
    and holding no path separator. */
inline bool isPlainFileName (const juce::String& name)
{
    return name.isNotEmpty() && name != "." && name != ".."
           && ! name.containsChar ('/') && ! name.containsChar (juce::File::getSeparatorChar());
}

/** The file called name directly inside folder, never read as a path of its own; an empty
    juce::File when folder is empty or name is not a plain file name. */
inline juce::File childFileOf (const juce::File& folder, const juce::String& name)
{
    const auto& folderPath = folder.getFullPathName();

    if (folderPath.isEmpty() || ! isPlainFileName (name))
        return {};

    return juce::File::createFileWithoutCheckingPath (juce::File::addTrailingSeparator (folderPath) + name);
}
