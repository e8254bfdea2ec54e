#pragma once

#include <juce_core/juce_core.h>

/** Which files count as kicks, where the two kick libraries live and in which order their
    kicks are listed.

    The factory library is a read-only "ZOB Presets" folder installed beside the program
    (ZobAudioProcessor::getFactoryKicksFolder, defined with these); the user library is
    "User Kicks" in the per-user program folder. Listings read the folder afresh on every
    call; a missing folder lists nothing. Message thread, except getAudioFileExtensions,
    which any thread may call.
*/

/** The accepted kick file extensions: lower case, each with its leading ".", each once, in the
    order the basic audio formats register them. Built on the first call, then unchanged. */
const juce::StringArray& getAudioFileExtensions();

/** True when the file's extension, lower-cased, is one of getAudioFileExtensions exactly.
    "KICK.WAV" passes; "kick", "kick.wav.bak" do not. */
bool hasAcceptedExtension (const juce::File& file);

/** The per-user "User Kicks" folder. Not created here. */
juce::File getUserKicksFolder();

/** True for a file anywhere below getUserKicksFolder. */
bool isUserKick (const juce::File& file);

/** Sorts full paths by file name in natural order ("Kick 2" before "Kick 10"), ignoring case. */
void sortPathsByFileName (juce::StringArray& paths);

/** The full paths of the accepted kick files directly inside folder, sorted by file name;
    empty when folder is not a directory. */
juce::StringArray listKicksInFolder (const juce::File& folder);

/** The factory kick folder for a program whose module (executable or plug-in library) is
    moduleFile: "ZOB Presets" beside the nearest enclosing plug-in bundle within eight levels,
    else beside the module; when that is no folder, allUsersPresets if that is one; else the
    first candidate. ZobAudioProcessor::getFactoryKicksFolder passes the running module and
    the all-users "Presets" folder. */
juce::File findFactoryKicksFolder (const juce::File& moduleFile, const juce::File& allUsersPresets);
