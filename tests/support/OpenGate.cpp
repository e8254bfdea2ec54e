#include "support/OpenGate.h"

#include <atomic>
#include <condition_variable>
#include <cstdarg>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <string>

namespace
{
std::atomic<bool> gateArmed { false };
std::mutex gateMutex;
std::condition_variable gateChanged;
std::string gatePath; // guarded by gateMutex
bool gateClosed = false;
int threadsHeld = 0;

void waitAtGate (const char* path)
{
    if (! gateArmed.load() || path == nullptr)
        return;

    std::unique_lock<std::mutex> lock (gateMutex);

    if (! gateClosed || gatePath != path)
        return;

    ++threadsHeld;
    gateChanged.notify_all();
    gateChanged.wait (lock, []
                      { return ! gateClosed; });
}

using OpenFunction = int (*) (const char*, int, ...);

OpenFunction nextDefinition (const char* name)
{
    return reinterpret_cast<OpenFunction> (::dlsym (RTLD_NEXT, name));
}

int gatedOpen (OpenFunction realOpen, const char* path, int flags, va_list arguments)
{
    const auto mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? (mode_t) va_arg (arguments, int) : 0;
    waitAtGate (path);
    return realOpen (path, flags, mode);
}
} // namespace

extern "C"
{
    int open (const char* path, int flags, ...)
    {
        static const auto realOpen = nextDefinition ("open");
        va_list arguments;
        va_start (arguments, flags);
        const auto result = gatedOpen (realOpen, path, flags, arguments);
        va_end (arguments);
        return result;
    }

    int open64 (const char* path, int flags, ...)
    {
        static const auto realOpen = nextDefinition ("open64");
        va_list arguments;
        va_start (arguments, flags);
        const auto result = gatedOpen (realOpen, path, flags, arguments);
        va_end (arguments);
        return result;
    }
}

namespace zobtest
{
OpenGate::OpenGate (const juce::File& fileToHold)
    : file (fileToHold)
{
    const std::lock_guard<std::mutex> lock (gateMutex);
    jassert (! gateClosed);
    gatePath = file.getFullPathName().toStdString();
    gateClosed = true;
    threadsHeld = 0;
    gateArmed = true;
}

OpenGate::~OpenGate()
{
    release();
    gateArmed = false;
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
