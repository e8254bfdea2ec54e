#include "support/TestEnvironment.h"

#include <cstdlib>
#include <unistd.h>

namespace zobtest
{
namespace
{
    juce::File& processRoot()
    {
        static juce::File root;
        return root;
    }

    juce::File makeUniqueFolder (const juce::File& parent, const juce::String& prefix)
    {
        auto folder = parent.getNonexistentChildFile (prefix + juce::String (getpid()) + "-", {}, false);
        folder.createDirectory();
        return folder;
    }

    juce::String currentEnv (const char* name)
    {
        const auto* value = std::getenv (name);
        return value != nullptr ? juce::String (juce::CharPointer_UTF8 (value)) : juce::String();
    }

    void setEnv (const char* name, const juce::String& value)
    {
        ::setenv (name, value.toRawUTF8(), 1);
    }
} // namespace

void isolateProcessFolders()
{
    const auto* systemTemp = std::getenv ("TMPDIR");
    const juce::File base (systemTemp != nullptr && *systemTemp != 0 ? juce::String (systemTemp) : juce::String ("/tmp"));
    processRoot() = makeUniqueFolder (base, "zob-test-");
    auto home = processRoot().getChildFile ("home");
    auto temp = processRoot().getChildFile ("tmp");
    home.createDirectory();
    temp.createDirectory();
    setEnv ("HOME", home.getFullPathName());
    setEnv ("TMPDIR", temp.getFullPathName());
    ::unsetenv ("XDG_CONFIG_HOME");
    ::unsetenv ("XDG_DATA_HOME");
}

void removeProcessFolders()
{
    if (processRoot() != juce::File())
        processRoot().deleteRecursively (false);
}

ScopedTempHome::ScopedTempHome()
    : root (makeUniqueFolder (juce::File (currentEnv ("TMPDIR")), "case-")), homeFolder (root.getChildFile ("home")), tempFolder (root.getChildFile ("tmp")), previousHome (currentEnv ("HOME")), previousTemp (currentEnv ("TMPDIR"))
{
    homeFolder.createDirectory();
    tempFolder.createDirectory();
    setEnv ("HOME", homeFolder.getFullPathName());
    setEnv ("TMPDIR", tempFolder.getFullPathName());
}

ScopedTempHome::~ScopedTempHome()
{
    setEnv ("HOME", previousHome);
    setEnv ("TMPDIR", previousTemp);
    root.deleteRecursively (false);
}

juce::File ScopedTempHome::userFolder() const
{
    return homeFolder.getChildFile (".config").getChildFile ("Corvale Audio").getChildFile ("ZOB");
}

juce::StringArray childNames (const juce::File& folder)
{
    juce::StringArray names;

    for (const auto& child : folder.findChildFiles (juce::File::findFilesAndDirectories, false, "*", juce::File::FollowSymlinks::no))
        names.add (child.getFileName());

    names.sort (true);
    return names;
}

juce::File sourceDirectory()
{
    return juce::File (currentEnv ("ZOB_SOURCE_DIR"));
}
} // namespace zobtest
