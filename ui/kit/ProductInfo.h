#pragma once

/** What the program says about itself: its version and the maker's addresses.

    Until the company has a domain of its own, every address lies under a name reserved for
    documentation (".example"), so nothing the program opens or fetches reaches anyone else.
    The update service accepts a download address only on webHost or a name under it.
*/
namespace vyl::ProductInfo
{
/** The program's version: the version page, the current-version line and the update check. */
inline constexpr const char* version = "1.3.0";

/** The maker's domain: the web-site link's text, and the host every download address must
    equal or lie under. */
inline constexpr const char* webHost = "corvale-audio.example";

inline constexpr const char* websiteAddress = "https://www.corvale-audio.example";
inline constexpr const char* supportEmail = "support@corvale-audio.example";
inline constexpr const char* manualAddress = "https://www.corvale-audio.example/zob/ZOB-User-Manual.pdf";

/** The small JSON manifest of the latest release:
    { "version": "1.4.0", "downloadUrl": "https://www.corvale-audio.example/zob/download" }. */
inline constexpr const char* updateManifestAddress = "https://updates.corvale-audio.example/zob/latest.json";
} // namespace vyl::ProductInfo
