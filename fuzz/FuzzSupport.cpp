#include "FuzzSupport.h"

#include "support/MessageLoop.h"
#include "support/TestEnvironment.h"

#include <juce_events/juce_events.h>

#include <cstdio>
#include <cstdlib>

namespace zobfuzz
{
// Kept to the end of the process and never destroyed: the process ends without tearing
// JUCE down, so no static of JUCE's is used after it is gone.
juce::ScopedJuceInitialiser_GUI* keptJuceInitialiser = nullptr;

void startProcess()
{
    zobtest::isolateProcessFolders();
    keptJuceInitialiser = new juce::ScopedJuceInitialiser_GUI();
}

void finishProcess()
{
    zobtest::removeProcessFolders();
}

void deliverMessages()
{
    zobtest::runPendingMessages();
}

juce::MemoryBlock toBlock (const uint8_t* data, size_t size)
{
    return juce::MemoryBlock (data, size);
}

juce::File scratchFolder()
{
    static const auto folder = []
    {
        auto made = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("fuzz scratch");
        made.createDirectory();
        return made;
    }();

    return folder;
}

void check (bool condition, const char* rule)
{
    if (condition)
        return;

    std::fprintf (stderr, "fuzz check failed: %s\n", rule);
    std::abort();
}
} // namespace zobfuzz
