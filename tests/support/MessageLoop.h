#pragma once

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
} // namespace zobtest
