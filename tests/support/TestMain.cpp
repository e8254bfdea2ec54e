// Entry point of every test program: gives the process a private HOME and TMPDIR before
// JUCE can look at either, then starts JUCE's message manager and runs the tests.
// Started with "--zob-child NAME ...", it runs one child routine instead (see ChildProcess.h),
// inside the HOME and TMPDIR its parent test handed down.

#include "support/ChildProcess.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

int main (int argc, char** argv)
{
    if (int childExitCode = 0; zobtest::runChildRoutineIfAsked (argc, argv, childExitCode))
        return childExitCode;

    testing::InitGoogleTest (&argc, argv);
    zobtest::isolateProcessFolders();

    juce::ScopedJuceInitialiser_GUI juce;
    const auto result = RUN_ALL_TESTS();
    zobtest::removeProcessFolders();
    return result;
}
