// Entry point of every test program: gives the process a private HOME and TMPDIR before
// JUCE can look at either, then starts JUCE's message manager and runs the tests.

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);
    zobtest::isolateProcessFolders();

    juce::ScopedJuceInitialiser_GUI juce;
    const auto result = RUN_ALL_TESTS();
    zobtest::removeProcessFolders();
    return result;
}
