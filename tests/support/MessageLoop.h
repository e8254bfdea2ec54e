#pragma once

#include <juce_core/juce_core.h>

namespace juce
{
// JUCE's Linux message loop step (its public loops need modal loops enabled).
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

namespace zobtest
{
/** Delivers every message already posted to the message thread (the test's own thread),
    such as the callbacks of juce::MessageManager::callAsync. */
inline void runPendingMessages()
{
    while (juce::dispatchNextMessageOnSystemQueue (true))
    {
    }
}

/** Delivers posted messages until done() holds or timeoutMs pass; returns done(). */
template <typename Predicate>
bool runMessagesUntil (Predicate done, int timeoutMs = 5000)
{
    const auto start = juce::Time::getMillisecondCounter();

    while (! done())
    {
        if (juce::Time::getMillisecondCounter() - start > (juce::uint32) timeoutMs)
            return false;

        runPendingMessages();
        juce::Thread::sleep (1);
    }

    return true;
}
} // namespace zobtest
