#include "ui/kit/UpdateService.h"

namespace vyl
{
// Placeholder: the comparison and the HTTPS service are being written.
bool isNewerVersion (const juce::String&, const juce::String&) { return false; }
} // namespace vyl
