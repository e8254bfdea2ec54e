#include "ui/kit/UpdateService.h"

namespace vyl
{
// Placeholder: the comparison and the HTTPS service are being written.
bool isNewerVersion (const juce::String&, const juce::String&) { return false; }

UpdateService::UpdateService() = default;
UpdateService::UpdateService (ManifestFetcher) {}
UpdateService::~UpdateService() = default;
UpdateInfo UpdateService::getCachedUpdateInfo() const { return {}; }
void UpdateService::checkForUpdates (Callback) {}
} // namespace vyl
