#include "ui/kit/UpdateService.h"

#include "ui/kit/ProductInfo.h"

#include <juce_events/juce_events.h>

namespace vyl
{
namespace
{
    constexpr int maxManifestBytes = 4096; // the manifest is a few dozen bytes
    constexpr int maxManifestNesting = 4; // an object holding two texts needs one level
    constexpr int maxDownloadAddressLength = 1024;
    constexpr int connectTimeoutMs = 10000;

    /** The value of one dotted part: leading digits after optional white space and sign,
        0 when there are none; large values saturate instead of overflowing. */
    juce::int64 partValue (const juce::String& part)
    {
        auto text = part.getCharPointer();

        while (text.isWhitespace())
            ++text;

        bool negative = false;

        if (*text == '-' || *text == '+')
            negative = (text.getAndAdvance() == '-');

        constexpr juce::int64 ceiling = 1000000000000000LL;
        juce::int64 value = 0;

        while (text.isDigit())
            value = juce::jmin (ceiling, value * 10 + (text.getAndAdvance() - '0'));

        return negative ? -value : value;
    }

    /** Splits at every ".", keeping empty parts. */
    juce::StringArray dottedParts (const juce::String& text)
    {
        juce::StringArray parts;
        int start = 0;

        for (;;)
        {
            const auto dot = text.indexOfChar (start, '.');

            if (dot < 0)
            {
                parts.add (text.substring (start));
                return parts;
            }

            parts.add (text.substring (start, dot));
            start = dot + 1;
        }
    }

    /** How deeply arrays and objects nest in a JSON text (texts inside strings skipped), so
        a hostile answer cannot drive the recursive parser into the thread's stack limit. */
    int jsonNesting (const juce::String& text)
    {
        int depth = 0, deepest = 0;
        bool inString = false, escaped = false;

        for (auto c : text)
        {
            if (inString)
            {
                if (escaped)
                    escaped = false;
                else if (c == '\\')
                    escaped = true;
                else if (c == '"')
                    inString = false;
            }
            else if (c == '"')
                inString = true;
            else if (c == '[' || c == '{')
                deepest = juce::jmax (deepest, ++depth);
            else if (c == ']' || c == '}')
                --depth;
        }

        return deepest;
    }

    bool isValidHostName (const juce::String& host)
    {
        if (host.isEmpty() || host.length() > 253)
            return false;

        for (const auto& label : dottedParts (host))
            if (label.isEmpty() || label.length() > 63 || label.startsWithChar ('-') || label.endsWithChar ('-')
                || ! label.containsOnly ("abcdefghijklmnopqrstuvwxyz0123456789-"))
                return false;

        return true;
    }
} // namespace

bool isNewerVersion (const juce::String& candidate, const juce::String& reference)
{
    const auto a = candidate.trim(), b = reference.trim();

    if (a.isEmpty() || b.isEmpty())
        return false;

    const auto partsA = dottedParts (a), partsB = dottedParts (b);

    for (int i = 0; i < juce::jmax (partsA.size(), partsB.size()); ++i)
    {
        const auto valueA = i < partsA.size() ? partValue (partsA[i]) : 0;
        const auto valueB = i < partsB.size() ? partValue (partsB[i]) : 0;

        if (valueA != valueB)
            return valueA > valueB;
    }

    return false;
}

//==============================================================================
/** The fetch of the manifest over the web. JUCE's web stream blocks inside connect (in libcurl),
    where no stop flag is looked at, so the service cancels the stream from its destructor. */
class UpdateService::WebTransport
{
public:
    explicit WebTransport (juce::URL manifestAddress)
        : address (std::move (manifestAddress)) {}

    bool fetch (juce::String& body, const std::function<bool()>& shouldStop)
    {
        juce::WebInputStream stream (address, false);
        stream.withConnectionTimeout (connectTimeoutMs).withNumRedirectsToFollow (0);

        {
            const juce::ScopedLock sl (lock);

            if (cancelled)
                return false;

            current = &stream;
        }

        const auto ok = stream.connect (nullptr) && stream.getStatusCode() == 200 && readBody (stream, body, shouldStop);

        const juce::ScopedLock sl (lock);
        current = nullptr;
        return ok && ! cancelled;
    }

    /** Any thread: ends a fetch in progress and refuses later ones. */
    void cancel()
    {
        const juce::ScopedLock sl (lock);
        cancelled = true;

        if (current != nullptr)
            current->cancel();
    }

private:
    static bool readBody (juce::WebInputStream& stream, juce::String& body, const std::function<bool()>& shouldStop)
    {
        juce::MemoryBlock data;
        char buffer[1024];

        while (! stream.isExhausted())
        {
            if (shouldStop())
                return false;

            const auto got = stream.read (buffer, (int) sizeof (buffer));

            if (got < 0 || stream.isError())
                return false;

            if (got == 0)
                break;

            data.append (buffer, (size_t) got);

            if (data.getSize() > (size_t) maxManifestBytes)
                return false;
        }

        body = juce::String::fromUTF8 (static_cast<const char*> (data.getData()), (int) data.getSize());
        return true;
    }

    const juce::URL address;
    juce::CriticalSection lock; // guards current and cancelled
    juce::WebInputStream* current = nullptr;
    bool cancelled = false;
};

class UpdateService::QueryThread : public juce::Thread
{
public:
    explicit QueryThread (UpdateService& s)
        : juce::Thread ("ZOB update check"), service (s) {}

    void run() override { service.runQueries(); }

private:
    UpdateService& service;
};

//==============================================================================
UpdateService::UpdateService()
    : UpdateService (juce::URL (ProductInfo::updateManifestAddress))
{
}

UpdateService::UpdateService (const juce::URL& manifestAddress)
    : UpdateService ({}, std::make_shared<WebTransport> (manifestAddress))
{
    fetcher = [transport = transport] (juce::String& body, const std::function<bool()>& stop)
    { return transport->fetch (body, stop); };
}

UpdateService::UpdateService (ManifestFetcher f)
    : UpdateService (std::move (f), nullptr)
{
}

UpdateService::UpdateService (ManifestFetcher f, std::shared_ptr<WebTransport> t)
    : fetcher (std::move (f)), transport (std::move (t)), thread (std::make_unique<QueryThread> (*this))
{
}

UpdateService::~UpdateService()
{
    thread->signalThreadShouldExit();

    if (transport != nullptr)
        transport->cancel();

    thread->waitForThreadToExit (-1);
}

UpdateInfo UpdateService::getCachedUpdateInfo() const
{
    UpdateInfo info;

    {
        const juce::ScopedLock sl (lock);
        info.version = storedVersion;
        info.downloadUrl = storedDownloadUrl;
    }

    info.available = isNewerVersion (info.version, ProductInfo::version);
    return info;
}

void UpdateService::checkForUpdates (Callback callback)
{
    {
        const juce::ScopedLock sl (lock);
        waitingCallbacks.push_back (std::move (callback));

        if (queryRunning)
            return;

        queryRunning = true;
    }

    // A thread that has just left its loop may not have finished returning yet.
    thread->waitForThreadToExit (-1);
    thread->startThread();
}

bool UpdateService::shouldStop() const
{
    return thread->threadShouldExit();
}

void UpdateService::runQueries()
{
    for (;;)
    {
        {
            const juce::ScopedLock sl (lock);

            if (waitingCallbacks.empty() || shouldStop())
            {
                queryRunning = false;
                return;
            }
        }

        const auto succeeded = query();

        if (shouldStop())
            continue; // the service is going away: its answers are dropped

        const auto info = getCachedUpdateInfo();
        std::vector<Callback> answered;

        {
            // Every request made up to now is answered by this query, those that came in
            // while it ran included.
            const juce::ScopedLock sl (lock);
            answered.swap (waitingCallbacks);
        }

        for (auto& callback : answered)
            if (callback != nullptr)
                juce::MessageManager::callAsync ([callback = std::move (callback), info, succeeded]
                                                 { callback (info, succeeded); });
    }
}

bool UpdateService::query()
{
    juce::String body;

    if (fetcher == nullptr || ! fetcher (body, [this]
                                         { return shouldStop(); }))
        return false;

    if (body.getNumBytesAsUTF8() > (size_t) maxManifestBytes || jsonNesting (body) > maxManifestNesting)
        return false;

    const auto manifest = juce::JSON::parse (body);
    const auto* object = manifest.getDynamicObject();

    if (object == nullptr)
        return false;

    const auto& version = object->getProperty ("version");

    if (! version.isString() || ! isAcceptedVersionText (version.toString()))
        return false;

    juce::String downloadUrl;
    const auto& address = object->getProperty ("downloadUrl");

    if (! address.isVoid())
    {
        if (! address.isString())
            return false;

        downloadUrl = address.toString();

        if (downloadUrl.isNotEmpty() && ! isAcceptedDownloadAddress (downloadUrl))
            return false;
    }

    const juce::ScopedLock sl (lock);
    storedVersion = version.toString();
    storedDownloadUrl = downloadUrl;
    return true;
}

bool UpdateService::isAcceptedVersionText (const juce::String& text)
{
    const auto parts = dottedParts (text);

    if (text.length() > 23 || parts.size() > 4)
        return false;

    for (const auto& part : parts)
        if (part.isEmpty() || part.length() > 5 || ! part.containsOnly ("0123456789"))
            return false;

    return true;
}

bool UpdateService::isAcceptedDownloadAddress (const juce::String& text)
{
    // The system's browser is started through a shell with the address in double quotes,
    // so only characters that mean nothing there (no quote, "$", "`", "\" or white space)
    // may pass, and the address must lead to our own host over https.
    static const juce::String plainUrlCharacters ("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-._~/?#=&%+,;:");
    static const juce::String scheme ("https://");

    if (text.isEmpty() || text.length() > maxDownloadAddressLength || ! text.containsOnly (plainUrlCharacters)
        || ! text.startsWithIgnoreCase (scheme))
        return false;

    const auto rest = text.substring (scheme.length());
    const auto authorityEnd = rest.indexOfAnyOf ("/?#");
    const auto authority = authorityEnd < 0 ? rest : rest.substring (0, authorityEnd);

    if (authority.containsAnyOf ("@:%")) // user-info, port, encoded host
        return false;

    const auto host = authority.toLowerCase();
    const juce::String ourHost (ProductInfo::webHost);

    if (! isValidHostName (host) || ! (host == ourHost || host.endsWith ("." + ourHost)))
        return false;

    // JUCE must read it the same way when it opens it.
    const juce::URL url (text);
    return url.getScheme().equalsIgnoreCase ("https") && url.getDomain().equalsIgnoreCase (host) && url.getPort() == 0;
}
} // namespace vyl
