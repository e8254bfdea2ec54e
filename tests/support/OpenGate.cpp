#include "support/OpenGate.h"

#include "support/RealtimeHooks.h"

#include <condition_variable>
#include <mutex>
#include <string>

namespace
{
std::mutex gateMutex;
std::condition_variable gateChanged;
std::string gatePath; // guarded by gateMutex
bool gateClosed = false;
int threadsHeld = 0;

/** The test programs' open functions (RealtimeHooks.c) call this while a gate exists. */
void waitAtGate (const char* path)
{
    if (path == nullptr)
        return;

    std::unique_lock<std::mutex> lock (gateMutex);

    if (! gateClosed || gatePath != path)
        return;

    ++threadsHeld;
    gateChanged.notify_all();
    gateChanged.wait (lock, []
                      { return ! gateClosed; });
}
} // namespace

namespace zobtest
{
OpenGate::OpenGate (const juce::File& fileToHold)
    : file (fileToHold)
{
    {
        const std::lock_guard<std::mutex> lock (gateMutex);
        jassert (! gateClosed);
        gatePath = file.getFullPathName().toStdString();
        gateClosed = true;
        threadsHeld = 0;
    }

    zob_rt_observe_opens (waitAtGate);
}

OpenGate::~OpenGate()
{
    release();
    zob_rt_observe_opens (nullptr);
}

bool OpenGate::waitUntilInHand (int timeoutMs)
{
    std::unique_lock<std::mutex> lock (gateMutex);
    return gateChanged.wait_for (lock, std::chrono::milliseconds (timeoutMs), []
                                 { return threadsHeld > 0; });
}

void OpenGate::release()
{
    const std::lock_guard<std::mutex> lock (gateMutex);
    gateClosed = false;
    gateChanged.notify_all();
}
} // namespace zobtest
