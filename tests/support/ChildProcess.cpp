#include "support/ChildProcess.h"

#include <juce_events/juce_events.h>

#include <cstring>
#include <map>
#include <string>

namespace zobtest
{
namespace
{
    constexpr const char* childFlag = "--zob-child";

    std::map<std::string, ChildRoutine>& routines()
    {
        static std::map<std::string, ChildRoutine> registry;
        return registry;
    }
} // namespace

bool registerChildRoutine (const char* name, ChildRoutine routine)
{
    routines()[name] = routine;
    return true;
}

bool runChildRoutineIfAsked (int argc, char** argv, int& exitCode)
{
    if (argc < 3 || std::strcmp (argv[1], childFlag) != 0)
        return false;

    juce::ScopedJuceInitialiser_GUI juce;
    const auto found = routines().find (argv[2]);

    if (found == routines().end())
    {
        exitCode = 127;
        return true;
    }

    juce::StringArray arguments;

    for (int i = 3; i < argc; ++i)
        arguments.add (juce::String::fromUTF8 (argv[i]));

    exitCode = found->second (arguments);
    return true;
}

std::unique_ptr<juce::ChildProcess> startChildRoutine (const juce::String& name, const juce::StringArray& arguments)
{
    juce::StringArray commandLine;
    commandLine.add (juce::File::getSpecialLocation (juce::File::currentExecutableFile).getFullPathName());
    commandLine.add (childFlag);
    commandLine.add (name);
    commandLine.addArray (arguments);

    auto child = std::make_unique<juce::ChildProcess>();

    if (! child->start (commandLine))
        return nullptr;

    return child;
}

int waitForChild (juce::ChildProcess& child, int timeoutMs)
{
    if (! child.waitForProcessToFinish (timeoutMs))
    {
        child.kill();
        return -1;
    }

    return (int) child.getExitCode();
}

bool waitForFile (const juce::File& file, int timeoutMs)
{
    const auto start = juce::Time::getMillisecondCounter();

    while (! file.exists())
    {
        if (juce::Time::getMillisecondCounter() - start > (juce::uint32) timeoutMs)
            return false;

        juce::Thread::sleep (1);
    }

    return true;
}
} // namespace zobtest
