// Feeds every file of the given corpus folders (or single files) to the fuzz target once,
// in name order, so that the test run repeats exactly what the committed corpus holds.
// The target aborts on any broken rule; a crash fails the test as it would fail a fuzzer.

#include "FuzzSupport.h"

#include <algorithm>
#include <cstdio>
#include <vector>

int main (int argc, char** argv)
{
    LLVMFuzzerInitialize (&argc, &argv);

    std::vector<juce::File> inputs;

    for (int i = 1; i < argc; ++i)
    {
        const juce::File given (juce::File::getCurrentWorkingDirectory().getChildFile (argv[i]));

        if (given.isDirectory())
            for (const auto& file : given.findChildFiles (juce::File::findFiles, false, "*", juce::File::FollowSymlinks::no))
                inputs.push_back (file);
        else
            inputs.push_back (given);
    }

    std::sort (inputs.begin(), inputs.end(), [] (const juce::File& a, const juce::File& b)
               { return a.getFileName() < b.getFileName(); });

    if (inputs.empty())
    {
        std::fprintf (stderr, "no inputs to replay\n");
        return 1;
    }

    for (const auto& input : inputs)
    {
        juce::MemoryBlock bytes;

        if (! input.loadFileAsData (bytes))
        {
            std::fprintf (stderr, "cannot read %s\n", input.getFullPathName().toRawUTF8());
            return 1;
        }

        LLVMFuzzerTestOneInput (static_cast<const uint8_t*> (bytes.getData()), bytes.getSize());
    }

    std::printf ("replayed %d inputs\n", (int) inputs.size());
    zobfuzz::finishProcess();
    return 0;
}
