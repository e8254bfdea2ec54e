#include "FuzzSupport.h"

#include "support/MessageLoop.h"
#include "support/TestEnvironment.h"

#include <juce_events/juce_events.h>

#include <cstdio>
#include <cstdlib>

namespace zobfuzz
{
void startProcess()
{
    zobtest::isolateProcessFolders();
    std::atexit ([]
                 { zobtest::removeProcessFolders(); });

    // Lives until the process ends; the targets' own statics may still use it at exit.
    static auto* juce = new juce::ScopedJuceInitialiser_GUI();
    juce::ignoreUnused (juce);
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
