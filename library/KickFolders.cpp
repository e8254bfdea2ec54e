#include "library/KickFolders.h"
#include "library/FileNames.h"
#include "library/NoFollowFiles.h"

#include "engine/ZobAudioProcessor.h"

#include <juce_audio_formats/juce_audio_formats.h>

namespace
{
juce::File perUserProgramFolder()
{
    return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
        .getChildFile ("Corvale Audio")
        .getChildFile ("ZOB");
}

const juce::String& factoryFolderName()
{
    static const juce::String name ("ZOB Presets");
    return name;
}

juce::StringArray buildAudioFileExtensions()
{
    juce::StringArray extensions;
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();

    for (auto* format : formats)
    {
        for (auto extension : format->getFileExtensions())
        {
            extension = extension.trim().toLowerCase();

            if (extension.isEmpty())
                continue;

            if (! extension.startsWithChar ('.'))
                extension = "." + extension;

            extensions.addIfNotAlreadyThere (extension);
        }
    }

    if (extensions.isEmpty())
        extensions.addArray ({ ".wav", ".aif", ".aiff" });

    return extensions;
}

struct FileNameOrder
{
    static int compareElements (const juce::String& a, const juce::String& b)
    {
        return juce::File (a).getFileName().compareNatural (juce::File (b).getFileName(), false);
    }
};
} // namespace

const juce::StringArray& getAudioFileExtensions()
{
    static const juce::StringArray extensions = buildAudioFileExtensions();
    return extensions;
}

bool hasAcceptedExtension (const juce::File& file)
{
    return getAudioFileExtensions().contains (file.getFileExtension().toLowerCase());
}

juce::File getUserKicksFolder()
{
    return perUserProgramFolder().getChildFile ("User Kicks");
}

bool isUserKick (const juce::File& file)
{
    return file.isAChildOf (getUserKicksFolder());
}

void sortPathsByFileName (juce::StringArray& paths)
{
    FileNameOrder order;
    paths.strings.sort (order, false);
}

juce::StringArray listKicksInFolder (const juce::File& folder)
{
    juce::StringArray paths;

    if (! folder.isDirectory())
        return paths;

    // Listed through NoFollowFiles rather than JUCE's directory iterator, which corrupts
    // memory on a file name that is not valid UTF-8 (anyone can put one in a kick folder).
    // A link counts when it leads to a file, as JUCE's listing would have it.
    for (const auto& entry : NoFollowFiles::listEntries (NoFollowFiles::openDirectory (folder, true)))
    {
        const auto file = childFileOf (folder, entry.name);

        if ((entry.isRegularFile || (entry.isLink && file.existsAsFile())) && hasAcceptedExtension (file))
            paths.add (file.getFullPathName());
    }

    sortPathsByFileName (paths);
    return paths;
}

juce::File findFactoryKicksFolder (const juce::File& moduleFile, const juce::File& allUsersPresets)
{
    constexpr int levelsExamined = 8; // the module file and its seven nearest ancestors
    static const char* const bundleSuffixes[] = { ".vst3", ".component", ".vst", ".lv2" };

    juce::File candidate;
    auto level = moduleFile;

    for (int i = 0; i < levelsExamined && candidate == juce::File(); ++i)
    {
        if (level.getFullPathName().isEmpty() || ! level.exists())
            break;

        if (level.isDirectory())
            for (auto* suffix : bundleSuffixes)
                if (level.getFileName().endsWithIgnoreCase (suffix))
                {
                    candidate = level.getParentDirectory().getChildFile (factoryFolderName());
                    break;
                }

        level = level.getParentDirectory();
    }

    if (candidate == juce::File())
        candidate = moduleFile.getParentDirectory().getChildFile (factoryFolderName());

    if (candidate.isDirectory())
        return candidate;

    if (allUsersPresets.isDirectory())
        return allUsersPresets;

    return candidate;
}

//==============================================================================
juce::File ZobAudioProcessor::getFactoryKicksFolder()
{
    const auto allUsersPresets = juce::File::getSpecialLocation (juce::File::commonApplicationDataDirectory)
                                     .getChildFile ("Corvale Audio")
                                     .getChildFile ("ZOB")
                                     .getChildFile ("Presets");

    return findFactoryKicksFolder (juce::File::getSpecialLocation (juce::File::currentExecutableFile), allUsersPresets);
}

juce::StringArray ZobAudioProcessor::listFactoryKicks()
{
    return listKicksInFolder (getFactoryKicksFolder());
}

juce::StringArray ZobAudioProcessor::listUserKicks()
{
    return listKicksInFolder (getUserKicksFolder());
}
