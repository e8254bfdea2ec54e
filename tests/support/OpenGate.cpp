#include "support/OpenGate.h"

#include "support/RealtimeHooks.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

namespace
{
struct GatedFile
{
    bool closed = true;
    int threadsHeld = 0;
};

std::mutex gateMutex;
std::condition_variable gateChanged;
std::map<std::string, GatedFile> gatedFiles; // by full path, guarded by gateMutex
bool gateExists = false;

/** The test programs' open functions (RealtimeHooks.c) call this while a gate exists. */
void waitAtGate (const char* path)
{
    if (path == nullptr)
        return;

    std::unique_lock<std::mutex> lock (gateMutex);
    auto found = gatedFiles.find (path);

    if (found == gatedFiles.end() || ! found->second.closed)
        return;

    auto& gated = found->second;
    ++gated.threadsHeld;
    gateChanged.notify_all();
    gateChanged.wait (lock, [&gated]
                      { return ! gated.closed; });
}

std::string keyOf (const juce::File& file) { return file.getFullPathName().toStdString(); }
} // namespace

namespace zobtest
{
OpenGate::OpenGate (const juce::File& fileToHold)
    : OpenGate (juce::Array<juce::File> { fileToHold })
{
}

OpenGate::OpenGate (const juce::Array<juce::File>& filesToHold)
    : file (filesToHold.getFirst())
{
    {
        const std::lock_guard<std::mutex> lock (gateMutex);
        jassert (! gateExists);
        gateExists = true;
        gatedFiles.clear();

        for (const auto& f : filesToHold)
            gatedFiles[keyOf (f)] = {};
    }

    zob_rt_observe_opens (waitAtGate);
}

OpenGate::~OpenGate()
{
    release();
    zob_rt_observe_opens (nullptr);

    const std::lock_guard<std::mutex> lock (gateMutex);
    gatedFiles.clear();
    gateExists = false;
}

bool OpenGate::waitUntilInHand (int timeoutMs)
{
    return waitUntilInHand (file, timeoutMs);
}

bool OpenGate::waitUntilInHand (const juce::File& heldFile, int timeoutMs)
{
    std::unique_lock<std::mutex> lock (gateMutex);
    const auto key = keyOf (heldFile);
    return gateChanged.wait_for (lock, std::chrono::milliseconds (timeoutMs), [&key]
                                 {
                                     const auto found = gatedFiles.find (key);
                                     return found != gatedFiles.end() && found->second.threadsHeld > 0; });
}

void OpenGate::release()
{
    const std::lock_guard<std::mutex> lock (gateMutex);

    for (auto& entry : gatedFiles)
        entry.second.closed = false;

    gateChanged.notify_all();
}

void OpenGate::release (const juce::File& heldFile)
{
    const std::lock_guard<std::mutex> lock (gateMutex);
    const auto found = gatedFiles.find (keyOf (heldFile));

    if (found != gatedFiles.end())
        found->second.closed = false;

    gateChanged.notify_all();
}
} // namespace zobtest
