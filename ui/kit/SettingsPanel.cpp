#include "ui/kit/SettingsPanel.h"

#include "ui/kit/UpdateService.h"

namespace vyl
{
// Placeholder bodies: the panel's pages, layout and painting are being written.
SettingsPanel::SettingsPanel (UpdateService& service)
    : updateService (service)
{
}

SettingsPanel::~SettingsPanel() = default;

void SettingsPanel::setScale (float) {}
void SettingsPanel::setDarkMode (bool) {}
void SettingsPanel::setTooltipsOn (bool) {}
void SettingsPanel::refreshColours() {}
void SettingsPanel::showPage() {}
void SettingsPanel::visibilityChanged() {}
void SettingsPanel::paint (juce::Graphics&) {}
void SettingsPanel::resized() {}
void SettingsPanel::styleTabButton (juce::TextButton&) {}
void SettingsPanel::styleActionButton (juce::TextButton&) {}
void SettingsPanel::styleHeaderLabel (juce::Label&, const juce::String&) {}
void SettingsPanel::styleBodyLabel (juce::Label&, const juce::String&) {}
void SettingsPanel::refreshUpdateUi() {}
void SettingsPanel::requestUpdateInfo() {}
void SettingsPanel::showUpdateResult (const UpdateInfo&, bool) {}
} // namespace vyl
