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
    juce::String downloadUrl; // empty when none is known, or when it lay outside our web site
};

/** Whether candidate is a newer version than reference: both split at "." and compared part
    by part as integers (the leading digits of each part, 0 when there are none, a missing
    part counting as 0). A blank text is never newer. */
bool isNewerVersion (const juce::String& candidate, const juce::String& reference);

/** Asks the update manifest for the latest announced version.

    The stored answer is kept under a lock, so the message thread can read it while a query
    completes on the service's worker thread. checkForUpdates answers on the message thread
    through juce::MessageManager::callAsync. Owned by the editor content, declared before the
    settings panel that refers to it, so it outlives the panel.
*/
class UpdateService
{
public:
    using Callback = std::function<void (UpdateInfo, bool succeeded)>;

    virtual ~UpdateService() = default;

    /** The answer stored from the last successful query, with available computed now. */
    virtual UpdateInfo getCachedUpdateInfo() const = 0;

    /** Returns at once; the query runs away from the message thread, and callback is posted
        to the message thread with the stored answer and whether the query succeeded. */
    virtual void checkForUpdates (Callback callback) = 0;
};
} // namespace vyl
