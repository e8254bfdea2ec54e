#pragma once

#include <juce_core/juce_core.h>

/** Import and removal of the user's own kicks.

    ZobAudioProcessor::importUserKicks copies every usable dropped or chosen file into the
    per-user "User Kicks" folder: existing files with accepted extensions that decode to at
    least one sample, that are not the program's own drag-out files and not already there
    (same name and size). A taken name gets JUCE's numbering ("Deep.wav" becomes
    "Deep2.wav"). ZobAudioProcessor::deleteUserKick removes one file, and only inside that
    folder. Both are defined with this code and run on the message thread.

    The folder is shared by every running instance. Checking for a duplicate, choosing the
    free name and copying happen as one step under the inter-process lock
    "CorvaleAudio_ZOB_UserKicks", and the target is created exclusively, so no existing file,
    and no copy that another instance is making at the same moment, is ever overwritten.
*/

/** True when the file decodes with JUCE's basic formats to more than 0 samples and is safe
    to decode (openKickFile), so that no kick is added that the loader would refuse. */
bool isDecodableKickFile (const juce::File& file);

/** True when the file lies inside the drag-out root, by its path or by where it really is. */
bool isInDragTempFolder (const juce::File& file);
