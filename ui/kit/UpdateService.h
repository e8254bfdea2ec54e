#pragma once

#include <juce_core/juce_core.h>

#include <functional>

namespace vyl
{
/** The answer of the update service: the latest version announced and its download page. */
struct UpdateInfo
{
    bool available = false; // version is newer than this program's
    juce::String version; // empty when none is known
    juce::String downloadUrl; // empty when none is known
};

/** Whether candidate is a newer version than reference: both split at "." and compared part
    by part as integers (the leading digits of each part, 0 when there are none, a missing
    part counting as 0). A blank text is never newer. */
bool isNewerVersion (const juce::String& candidate, const juce::String& reference);

/** Asks the update manifest on our web site for the latest announced version.

    The stored answer is kept under a lock, so the message thread can read it while a query
    completes on the service's worker thread; checkForUpdates answers on the message thread
    through juce::MessageManager::callAsync. The destructor cancels a running query and
    joins its thread. Owned by the editor content, declared before the settings panel that
    refers to it, so it outlives the panel.
*/
class UpdateService
{
public:
    using Callback = std::function<void (UpdateInfo, bool succeeded)>;

    /** Fetches the manifest's text into body on the worker thread; false on any failure.
        shouldStop tells a long fetch that the service is going away. */
    using ManifestFetcher = std::function<bool (juce::String& body, const std::function<bool()>& shouldStop)>;

    /** The real service: the manifest over HTTPS from our web site. */
    UpdateService();

    /** The same service with another transport (tests). */
    explicit UpdateService (ManifestFetcher fetcher);

    ~UpdateService();

    /** The answer stored from the last successful query, with available computed now. */
    UpdateInfo getCachedUpdateInfo() const;

    /** Returns at once; the query runs on the service's thread, and callback is posted to the
        message thread with the stored answer and whether the query succeeded. */
    void checkForUpdates (Callback callback);

    JUCE_DECLARE_NON_COPYABLE (UpdateService)
};
} // namespace vyl
