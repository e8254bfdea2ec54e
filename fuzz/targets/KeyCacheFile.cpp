// "keycache.xml" as anyone may have edited it: loading merges what makes sense, and what
// is then saved loads back to the same file.

#include "FuzzSupport.h"

#include "library/KeyCache.h"

#include <cmath>

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    zobfuzz::startProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    const auto folder = zobfuzz::scratchFolder();
    const auto stored = folder.getChildFile ("keycache.xml");
    const auto saved = folder.getChildFile ("saved.xml");
    const auto savedAgain = folder.getChildFile ("saved again.xml");
    stored.replaceWithData (data, size);

    {
        vyl::KeyCache cache;
        cache.loadXml (stored);
        cache.saveXml (saved);
    }

    {
        vyl::KeyCache cache;
        cache.loadXml (saved);
        cache.saveXml (savedAgain);
    }

    juce::MemoryBlock first, second;
    saved.loadFileAsData (first);
    savedAgain.loadFileAsData (second);
    zobfuzz::check (first == second, "a saved key cache loads back to the same file");
    return 0;
}
