#pragma once

#include <juce_core/juce_core.h>

namespace zobtest
{
/** Points HOME and TMPDIR at fresh folders of this process (and unsets the XDG
    overrides), so no test can touch the real per-user or temporary folders. */
void isolateProcessFolders();

/** Deletes the folders made by isolateProcessFolders. */
void removeProcessFolders();

/** A fresh HOME and TMPDIR for one test, restored to the process's own when it ends. */
class ScopedTempHome
{
public:
    ScopedTempHome();
    ~ScopedTempHome();

    juce::File home() const { return homeFolder; }
    juce::File temp() const { return tempFolder; }

    /** The program's per-user folder inside this HOME ("~/.config/Corvale Audio/ZOB"). */
    juce::File userFolder() const;

private:
    juce::File root, homeFolder, tempFolder;
    juce::String previousHome, previousTemp;
};

/** The names of a folder's direct children (links not followed), sorted ignoring case. */
juce::StringArray childNames (const juce::File& folder);

/** The source tree, for tests that read committed fixtures. */
juce::File sourceDirectory();
} // namespace zobtest
