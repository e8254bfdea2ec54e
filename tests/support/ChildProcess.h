#pragma once

#include <juce_core/juce_core.h>

#include <memory>

namespace zobtest
{
/** A routine that a test runs in a second process, to prove behaviour across processes
    (file locks, shared files). It gets the arguments after its name and returns the
    process's exit code. The child inherits the parent's environment, so it sees the
    parent test's HOME and TMPDIR.
*/
using ChildRoutine = int (*) (const juce::StringArray& arguments);

/** Registers a routine under a name; use ZOBTEST_CHILD_ROUTINE instead of calling this. */
bool registerChildRoutine (const char* name, ChildRoutine routine);

/** Called by main before anything else: when the command line is
    "--zob-child NAME args...", runs that routine, stores its exit code and returns true. */
bool runChildRoutineIfAsked (int argc, char** argv, int& exitCode);

/** Starts this test program again running the named routine. Null when it cannot start. */
std::unique_ptr<juce::ChildProcess> startChildRoutine (const juce::String& name, const juce::StringArray& arguments = {});

/** Waits for a child to end and returns its exit code, or -1 when it has not ended within
    the time-out (it is then killed). */
int waitForChild (juce::ChildProcess& child, int timeoutMs = 30000);

/** Waits until something exists at the path (how parent and child signal each other);
    false when it has not appeared within the time-out. */
bool waitForFile (const juce::File& file, int timeoutMs = 20000);
} // namespace zobtest

/** Defines a child routine: ZOBTEST_CHILD_ROUTINE (FavouritesToggler) { ...; return 0; } */
#define ZOBTEST_CHILD_ROUTINE(name)                                                                             \
    static int name##ChildRoutine (const juce::StringArray& arguments);                                         \
    static const bool name##ChildRoutineRegistered = zobtest::registerChildRoutine (#name, name##ChildRoutine); \
    static int name##ChildRoutine ([[maybe_unused]] const juce::StringArray& arguments)
