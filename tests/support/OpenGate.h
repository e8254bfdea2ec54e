#pragma once

#include <juce_core/juce_core.h>

namespace zobtest
{
/** Holds every thread that opens one of the gate's files (through open(), as JUCE's file
    streams do) until that file is released, so a test can keep a background reader busy
    with a file in hand, and let it go on one file at a time. The test programs' own open()
    (RealtimeHooks.c) tells the gate of every file opened; only one gate at a time. */
class OpenGate
{
public:
    explicit OpenGate (const juce::File& file);
    explicit OpenGate (const juce::Array<juce::File>& files);
    ~OpenGate();

    /** Returns true once a thread is held opening the file (false after timeoutMs). */
    bool waitUntilInHand (int timeoutMs = 5000);
    bool waitUntilInHand (const juce::File& heldFile, int timeoutMs = 5000);

    /** Lets every held thread, and every later one, open the file. */
    void release();
    void release (const juce::File& heldFile);

    /** The first of the gate's files. */
    const juce::File file;

    JUCE_DECLARE_NON_COPYABLE (OpenGate)
};
} // namespace zobtest
