#include "library/UserKickImport.h"

#include "engine/ZobAudioProcessor.h"
#include "library/DragExport.h"
#include "library/FileNames.h"
#include "library/KickFileReader.h"
#include "library/KickFolders.h"
#include "library/NoFollowFiles.h"
#include "library/Utf8.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace
{
constexpr const char* importLockName = "CorvaleAudio_ZOB_UserKicks";

/** The path with every link resolved, or an empty file when it cannot be resolved. */
juce::File resolvedPath (const juce::File& file)
{
    char resolved[PATH_MAX];

    if (::realpath (file.getFullPathName().toRawUTF8(), resolved) == nullptr
        || ! isWellFormedUtf8 (resolved, std::strlen (resolved)))
        return {};

    return juce::File (juce::String::fromUTF8 (resolved));
}

bool isSameNameDuplicate (const juce::File& folder, const juce::File& source)
{
    const auto existing = childFileOf (folder, source.getFileName());
    return existing.existsAsFile() && existing.getSize() == source.getSize();
}

/** Copies source into a file of the folder that this call creates; returns the new file's
    name, or an empty string (and leaves nothing behind) when the copy failed. */
juce::String copyIntoFreshFile (const NoFollowFiles::Descriptor& folder, const juce::File& source)
{
    juce::FileInputStream input (source);

    if (! input.openedOk())
        return {};

    auto created = NoFollowFiles::createFirstFreeChild (folder, source.getFileNameWithoutExtension(), source.getFileExtension(), false);

    if (! created.descriptor.isValid())
        return {};

    const auto failed = std::make_shared<bool> (false);
    const auto expectedBytes = input.getTotalLength();
    juce::int64 copiedBytes = 0;

    {
        NoFollowFiles::DescriptorOutputStream output (std::move (created.descriptor), failed);
        copiedBytes = output.writeFromInputStream (input, -1);
    }

    if (*failed || copiedBytes != expectedBytes || input.getStatus().failed())
    {
        NoFollowFiles::removeChild (folder, created.name);
        return {};
    }

    return created.name;
}
} // namespace

bool isDecodableKickFile (const juce::File& file)
{
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    return openKickFile (file, formats).reader != nullptr;
}

bool isInDragTempFolder (const juce::File& file)
{
    const auto dragRoot = getDragTempFolder();

    if (file.isAChildOf (dragRoot))
        return true;

    const auto realFile = resolvedPath (file);
    const auto realRoot = resolvedPath (dragRoot);
    return realFile != juce::File() && realRoot != juce::File() && realFile.isAChildOf (realRoot);
}

//==============================================================================
juce::StringArray ZobAudioProcessor::importUserKicks (const juce::StringArray& paths)
{
    juce::StringArray added;
    const auto userFolder = getUserKicksFolder();

    if (! userFolder.createDirectory())
        return added;

    const auto folder = NoFollowFiles::openDirectory (userFolder, true);

    if (! folder.isValid())
        return added;

    for (const auto& path : paths)
    {
        if (path.isEmpty() || ! juce::File::isAbsolutePath (path))
            continue;

        const juce::File source (path);

        if (! source.existsAsFile()
            || ! hasAcceptedExtension (source)
            || isInDragTempFolder (source)
            || ! isDecodableKickFile (source))
            continue;

        // Another instance may be importing into the same folder right now: its duplicate
        // test, name choice and copy must not interleave with ours. The step goes ahead even
        // when the lock cannot be had; the exclusive create still protects every file.
        juce::InterProcessLock lock (importLockName);
        const juce::InterProcessLock::ScopedLockType scopedLock (lock);

        if (isSameNameDuplicate (userFolder, source))
            continue;

        const auto name = copyIntoFreshFile (folder, source);

        if (name.isNotEmpty())
            added.add (childFileOf (userFolder, name).getFullPathName());
    }

    return added;
}

bool ZobAudioProcessor::deleteUserKick (const juce::File& file)
{
    if (! isUserKick (file) || ! file.existsAsFile())
        return false;

    return file.moveToTrash() || file.deleteFile();
}
