#pragma once

#include <juce_core/juce_core.h>

#include <functional>
#include <memory>
#include <vector>

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
    joins its thread; callbacks of a query it cancelled are dropped. Owned by the editor
    content, declared before the settings panel that refers to it, so it outlives the panel.

    The manifest is a small JSON object with a "version" text (digits and dots) and an
    optional "downloadUrl". An answer is taken only when both are safe to show and to hand
    to the system's browser: the version short and plain, the address an https address on
    our own host (or a name under it) without user name, password or port, made of plain URL
    characters only. Anything else, like a transport failure, is a failed query that leaves
    the stored answer as it was.
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

    /** The real transport fetching the manifest from another address (tests use a server on
        the loopback address). */
    explicit UpdateService (const juce::URL& manifestAddress);

    /** The same service with another transport (tests). */
    explicit UpdateService (ManifestFetcher fetcher);

    ~UpdateService();

    /** The answer stored from the last successful query, with available computed now.
        Any thread. */
    UpdateInfo getCachedUpdateInfo() const;

    /** Returns at once; the query runs on the service's thread, and callback is posted to the
        message thread with the stored answer and whether the query succeeded. A request made
        while a query runs is answered by that query. Message thread. */
    void checkForUpdates (Callback callback);

    /** Whether text may be stored as a download address (see the class comment). */
    static bool isAcceptedDownloadAddress (const juce::String& text);

    /** Whether text may be stored as an announced version: 1 to 4 parts of 1 to 5 digits
        each, separated by single dots. */
    static bool isAcceptedVersionText (const juce::String& text);

private:
    class WebTransport;
    class QueryThread;

    UpdateService (ManifestFetcher fetcher, std::shared_ptr<WebTransport> transport);

    void runQueries(); // the worker thread's loop
    bool query(); // one fetch, checked and stored; false when it failed
    bool shouldStop() const;

    ManifestFetcher fetcher;
    std::shared_ptr<WebTransport> transport; // the real transport, to cancel a blocked fetch
    std::unique_ptr<QueryThread> thread;

    mutable juce::CriticalSection lock; // guards everything below
    juce::String storedVersion;
    juce::String storedDownloadUrl;
    std::vector<Callback> waitingCallbacks;
    bool queryRunning = false;

    JUCE_DECLARE_NON_COPYABLE (UpdateService)
};
} // namespace vyl
