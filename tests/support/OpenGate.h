#pragma once

#include <juce_core/juce_core.h>

namespace zobtest
{
/** Holds every thread that opens one file (through open(), as JUCE's file streams do)
    until the gate is released, so a test can keep a background reader busy with that
    file in hand. The test programs' own open() (RealtimeHooks.c) tells the gate of every
    file opened; only one gate at a time. */
class OpenGate
{
public:
    explicit OpenGate (const juce::File& file);
    ~OpenGate();

    /** Returns true once a thread is held opening the file (false after timeoutMs). */
    bool waitUntilInHand (int timeoutMs = 5000);

    /** Lets every held thread, and every later one, open the file. */
    void release();

    const juce::File file;

    JUCE_DECLARE_NON_COPYABLE (OpenGate)
};
} // namespace zobtest
