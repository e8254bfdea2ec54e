#pragma once

#include "support/MessageLoop.h"
#include "ui/kit/UpdateService.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <memory>

namespace zobtest
{
/** The transport of an update service under test: answers with body, or fails, and can hold
    a fetch until it is released or the service stops it. Shared with the fetcher, so it
    outlives the service either way. */
struct FakeUpdateManifest
{
    std::atomic<bool> succeeds { true };
    juce::String body;
    juce::CriticalSection bodyLock;

    std::atomic<bool> holdFetches { false };
    juce::WaitableEvent release { true };
    std::atomic<int> fetches { 0 };
    std::atomic<bool> sawStop { false };

    void answer (const juce::String& text)
    {
        const juce::ScopedLock sl (bodyLock);
        body = text;
        succeeds = true;
    }

    void answer (const juce::String& version, const juce::String& downloadUrl)
    {
        answer ("{ \"version\": \"" + version + "\", \"downloadUrl\": \"" + downloadUrl + "\" }");
    }

    static vyl::UpdateService::ManifestFetcher fetcherFor (std::shared_ptr<FakeUpdateManifest> fake)
    {
        return [fake] (juce::String& text, const std::function<bool()>& shouldStop)
        {
            ++fake->fetches;

            while (fake->holdFetches && ! fake->release.wait (2))
                if (shouldStop())
                {
                    fake->sawStop = true;
                    return false;
                }

            const juce::ScopedLock sl (fake->bodyLock);
            text = fake->body;
            return fake->succeeds.load();
        };
    }
};
} // namespace zobtest
